#include "imports/CsvText.h"

#include <array>
#include <cstring>

namespace imports {
namespace {

// Windows-1251 from 0x80 to 0xBF; from 0xC0 on it is А..я in order.
constexpr std::array<char16_t, 64> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

bool validUtf8(const unsigned char* p, qsizetype size) {
    qsizetype i = 0;
    while (i < size) {
        // Plain ASCII, the most of any list, eight bytes at a time.
        while (i + 8 <= size) {
            quint64 word;
            std::memcpy(&word, p + i, 8);
            if (word & 0x8080808080808080ULL)
                break;
            i += 8;
        }
        if (i >= size)
            break;
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int more = 0;
        unsigned min = 0;
        if ((c & 0xE0) == 0xC0) {
            more = 1;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            min = 0x10000;
        } else {
            return false;
        }
        unsigned code = c & (0x3F >> more);
        for (int k = 1; k <= more; ++k) {
            if (i + k >= size || (p[i + k] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i + k] & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += more + 1;
    }
    return true;
}

} // namespace

qsizetype byteOrderMarkLength(const char* data, qsizetype size) {
    return size >= 3 && uchar(data[0]) == 0xEF && uchar(data[1]) == 0xBB && uchar(data[2]) == 0xBF ? 3 : 0;
}

Encoding detectEncoding(const char* data, qsizetype size) {
    if (byteOrderMarkLength(data, size) > 0)
        return Encoding::Utf8;
    return validUtf8(reinterpret_cast<const unsigned char*>(data), size) ? Encoding::Utf8 : Encoding::Windows1251;
}

QString decode(const char* data, qsizetype size, Encoding encoding) {
    if (encoding == Encoding::Utf8)
        return QString::fromUtf8(data, size);
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = uchar(data[i]);
        out[i] = c < 0x80 ? char16_t(c) : c < 0xC0 ? kCp1251High[c - 0x80] : char16_t(0x0410 + (c - 0xC0));
    }
    return text;
}

char detectSeparator(const char* data, qsizetype size) {
    const char candidates[] = {';', '\t', ','};
    int best = 0;
    char chosen = ';';
    for (char separator : candidates) {
        // Columns on each of the first lines; the separator counts when they agree.
        int lines = 0, columns = -1;
        bool agree = true, quoted = false;
        int count = 0;
        for (qsizetype i = 0; i < size && i < (1 << 16) && lines < 20; ++i) {
            const char c = data[i];
            if (c == '"')
                quoted = !quoted;
            else if (!quoted && c == separator)
                ++count;
            else if (!quoted && c == '\n') {
                if (columns >= 0 && count != columns)
                    agree = false;
                columns = count;
                count = 0;
                ++lines;
            }
        }
        if (columns < 0)
            columns = count;
        if (agree && columns > best) {
            best = columns;
            chosen = separator;
        }
    }
    return chosen;
}

CsvCursor::CsvCursor(const char* data, qsizetype size, char separator, Encoding encoding)
    : m_data(data), m_size(size), m_at(byteOrderMarkLength(data, size)), m_separator(separator),
      m_encoding(encoding) {}

QString CsvCursor::cell(qsizetype from, qsizetype to, bool quoted) const {
    QString text = decode(m_data + from, to - from, m_encoding);
    if (quoted)
        text.replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return text;
}

bool CsvCursor::next(QStringList& cells) {
    cells.clear();
    if (m_at >= m_size)
        return false;
    ++m_row;
    for (;;) {
        qsizetype from = m_at, to = m_at;
        bool quoted = false;
        if (m_at < m_size && m_data[m_at] == '"') {
            // A quoted cell runs to the quote not doubled; what follows it
            // up to the separator is kept as the spreadsheet would show it.
            quoted = true;
            from = ++m_at;
            while (m_at < m_size && !(m_data[m_at] == '"' && (m_at + 1 >= m_size || m_data[m_at + 1] != '"')))
                m_at += m_data[m_at] == '"' ? 2 : 1;
            to = std::min(m_at, m_size);
            if (m_at < m_size)
                ++m_at;
            while (m_at < m_size && m_data[m_at] != m_separator && m_data[m_at] != '\n' && m_data[m_at] != '\r')
                ++m_at;
        } else {
            while (m_at < m_size && m_data[m_at] != m_separator && m_data[m_at] != '\n' && m_data[m_at] != '\r')
                ++m_at;
            to = m_at;
        }
        cells << cell(from, to, quoted);
        if (m_at < m_size && m_data[m_at] == m_separator) {
            ++m_at;
            continue;
        }
        if (m_at < m_size && m_data[m_at] == '\r')
            ++m_at;
        if (m_at < m_size && m_data[m_at] == '\n')
            ++m_at;
        return true;
    }
}

} // namespace imports
