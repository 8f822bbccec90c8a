#include "imports/CsvText.h"

#include <QHash>

#include <algorithm>
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

// Windows-1252 from 0x80 to 0x9F; from 0xA0 on it is Latin-1.
constexpr std::array<char16_t, 32> kCp1252Low = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

// The length of the UTF-8 sequence at p (at most size bytes), 0 when none starts there.
int sequenceAt(const unsigned char* p, qsizetype size) {
    const unsigned char c = p[0];
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
        return 0;
    }
    unsigned code = c & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
        if (k >= size || (p[k] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[k] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return more + 1;
}

struct ByteCounts {
    qsizetype sequences = 0, stray = 0;       // UTF-8's, and bytes of none
    qsizetype highLetters = 0, amongHigh = 0; // bytes 0xC0..0xFF, and those beside another high byte
};

ByteCounts countBytes(const unsigned char* p, qsizetype size) {
    ByteCounts n;
    for (qsizetype i = 0; i < size;) {
        // Plain ASCII, the most of any list, eight bytes at a time.
        if (i + 8 <= size) {
            quint64 word;
            std::memcpy(&word, p + i, 8);
            if (!(word & 0x8080808080808080ULL)) {
                i += 8;
                continue;
            }
        }
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        if (p[i] >= 0xC0) {
            ++n.highLetters;
            n.amongHigh += (i > 0 && p[i - 1] >= 0x80) || (i + 1 < size && p[i + 1] >= 0x80);
        }
        if (const int length = sequenceAt(p + i, size - i); length > 0) {
            ++n.sequences;
            i += length;
        } else {
            ++n.stray;
            ++i;
        }
    }
    return n;
}

bool looksUtf16(const char* data, qsizetype size) {
    if (size >= 2
        && ((uchar(data[0]) == 0xFF && uchar(data[1]) == 0xFE) || (uchar(data[0]) == 0xFE && uchar(data[1]) == 0xFF)))
        return true;
    // Text of Latin letters in UTF-16: every other byte zero.
    qsizetype zeros = 0, pairs = std::min<qsizetype>(size / 2, 4096);
    for (qsizetype i = 0; i < pairs; ++i)
        zeros += data[2 * i + 1] == 0 && data[2 * i] != 0;
    return pairs >= 4 && zeros * 10 >= pairs * 9;
}

} // namespace

qsizetype byteOrderMarkLength(const char* data, qsizetype size) {
    return size >= 3 && uchar(data[0]) == 0xEF && uchar(data[1]) == 0xBB && uchar(data[2]) == 0xBF ? 3 : 0;
}

Encoding detectEncoding(const char* data, qsizetype size) {
    if (looksUtf16(data, size))
        return Encoding::Utf16;
    if (byteOrderMarkLength(data, size) > 0)
        return Encoding::Utf8;
    const ByteCounts n = countBytes(reinterpret_cast<const unsigned char*>(data), std::min<qsizetype>(size, 8 << 20));
    // A stray byte or two (a cut line, a pasted symbol) leaves UTF-8 UTF-8.
    if (n.stray == 0 || n.sequences >= 10 * n.stray)
        return Encoding::Utf8;
    // Cyrillic words are all high bytes; Latin words have a high byte now and then.
    return n.amongHigh * 2 > n.highLetters ? Encoding::Windows1251 : Encoding::Windows1252;
}

QString decode(const char* data, qsizetype size, Encoding encoding) {
    if (encoding == Encoding::Utf8 || encoding == Encoding::Utf16)
        return QString::fromUtf8(data, size);
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = uchar(data[i]);
        if (c < 0x80)
            out[i] = char16_t(c);
        else if (encoding == Encoding::Windows1252)
            out[i] = c < 0xA0 ? kCp1252Low[c - 0x80] : char16_t(c);
        else
            out[i] = c < 0xC0 ? kCp1251High[c - 0x80] : char16_t(0x0410 + (c - 0xC0));
    }
    return text;
}

QByteArray utf8Of(const char* data, qsizetype size) {
    bool bigEndian = false;
    if (size >= 2 && uchar(data[0]) == 0xFE && uchar(data[1]) == 0xFF)
        bigEndian = true;
    const qsizetype start = size >= 2 && (bigEndian || (uchar(data[0]) == 0xFF && uchar(data[1]) == 0xFE)) ? 2 : 0;
    QString text((size - start) / 2, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const uchar a = uchar(data[start + 2 * i]), b = uchar(data[start + 2 * i + 1]);
        out[i] = bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
    }
    return text.toUtf8();
}

char detectSeparator(const char* data, qsizetype size) {
    char chosen = ';';
    qsizetype best = 0;
    for (const char separator : {';', ',', '\t', '|'}) {
        // Fields on each of the first lines (a quoted line break is no line's end).
        QHash<int, qsizetype> lines; // fields -> lines with that many
        int fields = 1, counted = 0;
        bool quoted = false;
        for (qsizetype i = byteOrderMarkLength(data, size); i < size && i < (1 << 16) && counted < 100; ++i) {
            const char c = data[i];
            if (c == '"')
                quoted = !quoted;
            else if (!quoted && c == separator)
                ++fields;
            else if (!quoted && c == '\n') {
                ++lines[fields];
                fields = 1;
                ++counted;
            }
        }
        if (fields > 1 && counted < 100)
            ++lines[fields]; // a last line without its line break
        for (auto it = lines.cbegin(); it != lines.cend(); ++it)
            if (it.key() > 1 && it.value() > best) {
                best = it.value();
                chosen = separator;
            }
    }
    return chosen;
}

CsvCursor::CsvCursor(const char* data, qsizetype size, char separator, Encoding encoding)
    : m_data(data), m_size(size), m_at(byteOrderMarkLength(data, size)), m_separator(separator), m_encoding(encoding) {}

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
