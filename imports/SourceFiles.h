#pragma once
// A file to import, weighed and recognised by its content before any of it
// is parsed; and what it holds, read in-process: a list's rows (a text file
// or a workbook's sheet), or a collection's records.
#include "imports/CsvText.h"
#include "imports/Records.h"
#include "imports/Workbooks.h"

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace imports {

enum class SourceKind { Text, Xlsx, Ods, Tellico, Gcstar };

// The file's kind; throws ImportError saying why it is not imported: it
// cannot be read, is empty, too large, binary, a zip bomb, or of a kind the
// program does not read.
SourceKind examine(const QString& path);

// Text files and XML larger than this are refused.
inline constexpr qint64 kLargestText = 1024LL << 20;
inline constexpr qint64 kLargestXml = 256LL << 20;
// UTF-16 text is read as UTF-8, made in memory: up to this size.
inline constexpr qint64 kLargestUtf16 = 256LL << 20;

class SheetRows;
class Workbook;

// The rows of a list, again and again from the first.
class ListFile {
public:
    // Throws ImportError.
    ListFile(const QString& path, SourceKind kind);
    ~ListFile();

    // Sheets of a workbook; none for a text file. The first visible one is
    // chosen at first.
    QList<Sheet> sheets() const;
    void selectSheet(int sheet);
    int sheet() const { return m_sheet; }
    // A text file's reading, found from its bytes, changeable.
    Encoding encoding() const { return m_encoding; }
    char separator() const { return m_separator; }
    void setEncoding(Encoding encoding);
    void setSeparator(char separator) { m_separator = separator; }

    void rewind();
    // The next row; throws ImportError when a sheet is damaged.
    bool next(QStringList& cells);
    // The number of the row next() gave last, from 1: the sheet's own
    // number, or the text's line (a quoted line break counted in its row).
    qint64 row() const;
    // How far next() has come, from 0 to 1.
    double progress() const;

private:
    const char* text() const;
    qsizetype textSize() const;

    QFile m_file;
    const char* m_bytes = nullptr;
    qsizetype m_size = 0;
    QByteArray m_utf8; // a UTF-16 text, as UTF-8
    Encoding m_encoding = Encoding::Utf8;
    char m_separator = ';';
    std::unique_ptr<CsvCursor> m_cursor;
    std::unique_ptr<Workbook> m_workbook;
    std::unique_ptr<SheetRows> m_rows;
    int m_sheet = 0;
    qint64 m_row = 0;
};

// A collection's records, checked. Throws ImportError.
QList<Record> readCollection(const QString& path, SourceKind kind);

} // namespace imports
