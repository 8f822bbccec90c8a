#pragma once
// Lists saved as text by spreadsheets: the encoding and the separator found
// from the bytes, and the rows read straight from them (quotes, doubled
// quotes and line breaks inside quotes), so a large file is never copied.
#include <QString>
#include <QStringList>

namespace imports {

enum class Encoding { Utf8, Windows1251, Windows1252, Utf16 };

// What the bytes are, from a sample of them: UTF-16 by its byte order mark
// (or its zero bytes), UTF-8 by its mark or when its sequences outnumber
// stray bytes many times over, else the single-byte code page whose letters
// the bytes make: Windows-1251 for Cyrillic words, Windows-1252 for Latin
// ones with accents.
Encoding detectEncoding(const char* data, qsizetype size);
// The length of a UTF-8 byte order mark at data (0 or 3).
qsizetype byteOrderMarkLength(const char* data, qsizetype size);
// Text in one of the single-byte code pages, or UTF-8 (stray bytes as
// U+FFFD); UTF-16 is turned into UTF-8 before it is read (utf8Of).
QString decode(const char* data, qsizetype size, Encoding encoding);
// UTF-16 text (its byte order mark, or little-endian) as UTF-8.
QByteArray utf8Of(const char* data, qsizetype size);

// The separator (';', ',', tab or '|') that splits the most of the first
// lines into one same number of fields (two or more); ';' when none does.
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
