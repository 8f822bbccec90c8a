#pragma once
// Lists saved as text by spreadsheets: the encoding and the separator found
// from the bytes, and the rows read straight from them (quotes, doubled
// quotes and line breaks inside quotes), so a large file is never copied.
#include <QString>
#include <QStringList>

namespace imports {

enum class Encoding { Utf8, Windows1251 };

// UTF-8 when the bytes start with its mark or are valid UTF-8 throughout,
// else Windows-1251 (any byte sequence is valid there).
Encoding detectEncoding(const char* data, qsizetype size);
// The length of a UTF-8 byte order mark at data (0 or 3).
qsizetype byteOrderMarkLength(const char* data, qsizetype size);
QString decode(const char* data, qsizetype size, Encoding encoding);

// ';', '\t' or ',': the one that splits the first lines alike into most
// columns (outside quotes); ';' when none does.
char detectSeparator(const char* data, qsizetype size);

// The rows of text, one by one.
class CsvCursor {
public:
    CsvCursor(const char* data, qsizetype size, char separator, Encoding encoding);
    // The next row's cells; false at the end. A row holding nothing but
    // empty cells is still a row (its number counts).
    bool next(QStringList& cells);
    // Rows read so far: the number of the one next() gave last.
    qint64 row() const { return m_row; }
    qsizetype position() const { return m_at; }

private:
    QString cell(qsizetype from, qsizetype to, bool quoted) const;

    const char* m_data;
    qsizetype m_size;
    qsizetype m_at;
    char m_separator;
    Encoding m_encoding;
    qint64 m_row = 0;
};

} // namespace imports
