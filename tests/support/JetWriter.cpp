#include "tests/support/JetWriter.h"

#include "jet/CodePages.h"
#include "jet/JetHeader.h"

#include <algorithm>
#include <cstring>

namespace jetwriter {

namespace {

enum TypeCode : unsigned char { kShort = 0x03, kLong = 0x04, kDate = 0x08, kText = 0x0A, kOle = 0x0B, kMemo = 0x0C };

void put16(QByteArray& b, int at, uint32_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}
void put32(QByteArray& b, int at, uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}
QByteArray bytes16(uint32_t v) {
    QByteArray b(2, '\0');
    put16(b, 0, v);
    return b;
}
QByteArray bytes32(uint32_t v) {
    QByteArray b(4, '\0');
    put32(b, 0, v);
    return b;
}

QByteArray ucs2(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// Jet 4 text: UCS-2, or its compressed form (FF FE, then one byte per
// character below U+0100, a zero byte switching to and from two bytes per
// character) where that is shorter. A character whose low byte is zero
// cannot be written compressed.
QByteArray jet4Text(const QString& text) {
    QByteArray packed("\xFF\xFE", 2);
    bool compressed = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u & 0xFF) == 0)
            return ucs2(text);
        const bool narrow = u < 0x100;
        if (narrow != compressed) {
            packed += '\0';
            compressed = narrow;
        }
        if (narrow)
            packed += char(u);
        else
            packed += ucs2(QString(c));
    }
    return packed.size() < text.size() * 2 ? packed : ucs2(text);
}

struct ColumnLayout {
    QString name;
    unsigned char code;
    bool fixed;
    bool counter;
    int size; // bytes in a row; 0 for long values
    int number;
    int fixedOffset = 0;
    int varIndex = 0;
};

class Writer {
public:
    explicit Writer(const Options& options) : m_options(options), m_jet3(options.version == Version::Jet3) {
        m_pageSize = m_jet3 ? 2048 : 4096;
        m_rowCountAt = m_jet3 ? 8 : 12;
    }

    QByteArray file(const QList<Table>& tables);

private:
    int allocate() {
        m_pages.append(QByteArray(m_pageSize, '\0'));
        return int(m_pages.size()) - 1;
    }
    int rowCount(int page) const {
        const QByteArray& p = m_pages[page];
        return uint8_t(p[m_rowCountAt]) | uint8_t(p[m_rowCountAt + 1]) << 8;
    }
    // Where a row's entry in the row table is, and where the row starts (its flags left out).
    int entryAt(int index) const { return m_rowCountAt + 2 + 2 * index; }
    int rowStart(int page, int index) const {
        const QByteArray& p = m_pages[page];
        return (uint8_t(p[entryAt(index)]) | uint8_t(p[entryAt(index) + 1]) << 8) & 0x1FFF;
    }
    void flagRow(int page, int index, int flag) { put16(m_pages[page], entryAt(index), rowStart(page, index) | flag); }
    int freeSpace(int page) const {
        const int rows = rowCount(page);
        const int used = rows ? m_pageSize - rowStart(page, rows - 1) : 0;
        return m_pageSize - (m_rowCountAt + 2 + 2 * rows) - used;
    }
    int newDataPage(uint32_t owner, bool longValues) {
        const int n = allocate();
        QByteArray& p = m_pages[n];
        p[0] = 0x01;
        p[1] = 0x01;
        if (longValues)
            p.replace(4, 4, "LVAL");
        else
            put32(p, 4, owner);
        put16(p, 2, m_pageSize - (m_rowCountAt + 2));
        return n;
    }
    // Adds row to page; -1 when it does not fit.
    int addRow(int page, const QByteArray& row) {
        if (freeSpace(page) < row.size() + 2)
            return -1;
        const int rows = rowCount(page);
        if (rows >= 255)
            return -1;
        const int end = rows ? rowStart(page, rows - 1) : m_pageSize;
        const int start = end - int(row.size());
        QByteArray& p = m_pages[page];
        p.replace(start, row.size(), row);
        put16(p, m_rowCountAt + 2 + 2 * rows, start);
        put16(p, m_rowCountAt, rows + 1);
        put16(p, 2, freeSpace(page));
        return rows;
    }

    QByteArray text(const QString& value) const {
        return m_jet3 ? jet::encode(value, m_options.textCodePage) : jet4Text(value);
    }
    QByteArray name(const QString& value) const {
        if (m_jet3) {
            const QByteArray b = jet::encode(value, m_options.textCodePage);
            return char(b.size()) + b;
        }
        return bytes16(value.size() * 2) + ucs2(value);
    }

    QList<ColumnLayout> layout(const QList<Column>& columns) const;
    QByteArray row(const QList<ColumnLayout>& layout, const Row& values, QList<QList<int>>& longValuePages);
    QByteArray longValue(const QByteArray& data, QList<int>& pages);
    // Adds row to the table's current data page, or to a new one when it is full.
    QPair<int, int> place(int& page, QList<int>& dataPages, int tdef, const QByteArray& row) {
        int index = page < 0 ? -1 : addRow(page, row);
        if (index < 0) {
            page = newDataPage(uint32_t(tdef), false);
            dataPages << page;
            index = addRow(page, row);
        }
        return {page, index};
    }
    QByteArray usageMap(const QList<int>& pages) const;
    QByteArray tableMap(const QList<int>& pages);
    qint64 writeRows(int tdef, const QList<ColumnLayout>& cols, const Table& table, QList<QList<int>>& longValuePages,
                     QList<int>& dataPages);
    void writeDefinition(int tdef, QByteArray definition);
    void writeTable(int tdef, const Table& table, bool system);
    void writeHeader();

    const Options& m_options;
    const bool m_jet3;
    int m_pageSize;
    int m_rowCountAt;
    QList<QByteArray> m_pages;
    int m_longValuePage = -1;
};

QList<ColumnLayout> Writer::layout(const QList<Column>& columns) const {
    QList<ColumnLayout> result;
    int fixedOffset = 0, varIndex = 0;
    for (const Column& c : columns) {
        ColumnLayout l{c.name, 0, true, false, 0, int(result.size())};
        switch (c.type) {
        case Type::Counter: l.code = kLong, l.size = 4, l.counter = true; break;
        case Type::Long: l.code = kLong, l.size = 4; break;
        case Type::Short: l.code = kShort, l.size = 2; break;
        case Type::DateTime: l.code = kDate, l.size = 8; break;
        case Type::Text: l.code = kText, l.fixed = false, l.size = m_jet3 ? c.size : 2 * c.size; break;
        case Type::Memo: l.code = kMemo, l.fixed = false; break;
        }
        if (c.name == QLatin1String("LvProp"))
            l.code = kOle;
        if (l.fixed) {
            l.fixedOffset = fixedOffset;
            fixedOffset += l.size;
        } else {
            l.varIndex = varIndex++;
        }
        result << l;
    }
    return result;
}

QByteArray Writer::longValue(const QByteArray& data, QList<int>& pages) {
    QByteArray header(12, '\0');
    const int piece = m_pageSize - (m_rowCountAt + 2) - 2 - 4;
    if (data.size() <= 64) { // in the row itself
        put32(header, 0, uint32_t(data.size()) | 0x80000000u);
        return header + data;
    }
    if (data.size() <= piece) { // one row of a long-value page
        if (m_longValuePage < 0 || freeSpace(m_longValuePage) < data.size() + 2) {
            m_longValuePage = newDataPage(0, true);
            pages << m_longValuePage;
        }
        const int row = addRow(m_longValuePage, data);
        put32(header, 0, uint32_t(data.size()) | 0x40000000u);
        put32(header, 4, uint32_t(m_longValuePage) << 8 | uint32_t(row));
        return header;
    }
    // A chain of pages, each piece led by the pointer to the next.
    QList<int> chain;
    for (int at = 0; at < data.size(); at += piece)
        chain << newDataPage(0, true);
    pages << chain;
    for (int i = 0; i < chain.size(); ++i) {
        const uint32_t next = i + 1 < chain.size() ? uint32_t(chain[i + 1]) << 8 : 0;
        addRow(chain[i], bytes32(next) + data.mid(i * piece, piece));
    }
    put32(header, 0, uint32_t(data.size()));
    put32(header, 4, uint32_t(chain.first()) << 8);
    return header;
}

QByteArray Writer::row(const QList<ColumnLayout>& layout, const Row& values, QList<QList<int>>& longValuePages) {
    const int count = int(layout.size());
    QByteArray fixed, var;
    QList<int> offsets;
    QByteArray nulls((count + 7) / 8, '\0');
    const int countSize = m_jet3 ? 1 : 2;
    for (const ColumnLayout& c : layout) {
        const QVariant v = values.value(c.number);
        if (v.isValid())
            nulls[c.number / 8] = char(nulls[c.number / 8] | (1 << (c.number % 8)));
        if (c.fixed) {
            QByteArray field(c.size, '\0');
            if (v.isValid() && c.code == kDate) {
                const double d = v.toDouble();
                std::memcpy(field.data(), &d, 8);
            } else if (v.isValid()) {
                const qint64 n = v.toLongLong();
                for (int b = 0; b < c.size; ++b)
                    field[b] = char((n >> (8 * b)) & 0xFF);
            }
            if (fixed.size() < c.fixedOffset + c.size)
                fixed.resize(c.fixedOffset + c.size, '\0');
            fixed.replace(c.fixedOffset, c.size, field);
            continue;
        }
        offsets << countSize; // made absolute once the fixed part's size is known
        offsets.last() = int(var.size());
        if (!v.isValid())
            continue;
        if (c.code == kText)
            var += text(v.toString());
        else if (c.code == kMemo)
            var += longValue(text(v.toString()), longValuePages[c.number]);
    }
    const int varStart = countSize + int(fixed.size());
    for (int& o : offsets)
        o += varStart;
    const int end = varStart + int(var.size()); // eod: where the offset table starts
    QByteArray r = (m_jet3 ? QByteArray(1, char(count)) : bytes16(count)) + fixed + var;
    if (!m_jet3) {
        r += bytes16(end);
        for (qsizetype i = offsets.size() - 1; i >= 0; --i)
            r += bytes16(offsets[i]);
        return r + bytes16(offsets.size()) + nulls;
    }
    // Jet 3: one-byte offsets; a jump table names, for each 256-byte
    // boundary, the first column at or beyond it. Its length follows the
    // whole row's.
    QList<int> all = offsets;
    all << end;
    int jumps = 0;
    for (;;) {
        const int length = int(r.size() + all.size() + jumps + 1 + nulls.size());
        if ((length - 1) / 256 == jumps)
            break;
        jumps = (length - 1) / 256;
    }
    QByteArray table;
    for (qsizetype i = all.size() - 1; i >= 0; --i)
        table += char(all[i] & 0xFF);
    for (int j = jumps - 1; j >= 0; --j) {
        int first = 0xFF; // a dummy entry where no column reaches the boundary
        for (int i = 0; i < all.size(); ++i)
            if (all[i] >= 256 * (j + 1)) {
                first = i;
                break;
            }
        table += char(first);
    }
    return r + table + char(offsets.size()) + nulls;
}

QByteArray Writer::usageMap(const QList<int>& pages) const {
    const int first = pages.isEmpty() ? 0 : *std::min_element(pages.begin(), pages.end());
    const int last = pages.isEmpty() ? 0 : *std::max_element(pages.begin(), pages.end());
    QByteArray map(5 + (last - first) / 8 + 1, '\0');
    put32(map, 1, first);
    for (const int p : pages)
        map[5 + (p - first) / 8] = char(map[5 + (p - first) / 8] | (1 << ((p - first) % 8)));
    return map;
}

// Type 1: pointers to map pages (type 0x05), each a bitmap of its share of the file's pages.
QByteArray Writer::tableMap(const QList<int>& pages) {
    if (!m_options.mapPages)
        return usageMap(pages);
    const int perPage = (m_pageSize - 4) * 8;
    const int last = pages.isEmpty() ? 0 : *std::max_element(pages.begin(), pages.end());
    QByteArray map(1 + 4 * (last / perPage + 1), '\0');
    map[0] = 0x01;
    QList<int> mapPages(last / perPage + 1, 0);
    for (const int p : pages) {
        int& mapPage = mapPages[p / perPage];
        if (!mapPage) {
            mapPage = allocate();
            m_pages[mapPage][0] = 0x05;
            m_pages[mapPage][1] = 0x01;
            put32(map, 1 + 4 * (p / perPage), uint32_t(mapPage));
        }
        const int bit = p % perPage;
        m_pages[mapPage][4 + bit / 8] = char(m_pages[mapPage][4 + bit / 8] | (1 << (bit % 8)));
    }
    return map;
}

// The rows on the table's data pages; the largest counter value given.
qint64 Writer::writeRows(int tdef, const QList<ColumnLayout>& cols, const Table& table,
                         QList<QList<int>>& longValuePages, QList<int>& dataPages) {
    int page = -1;
    qint64 largestId = 0;
    QList<QPair<QPair<int, int>, QByteArray>> moved;
    for (int i = 0; i < table.rows.size(); ++i) {
        const Row& values = table.rows[i];
        for (const ColumnLayout& c : cols)
            if (c.counter && values.value(c.number).isValid())
                largestId = std::max(largestId, values.value(c.number).toLongLong());
        const QByteArray r = row(cols, values, longValuePages);
        const bool moving = table.moved.contains(i);
        const QPair<int, int> at = place(page, dataPages, tdef, moving ? QByteArray(4, '\0') : r);
        if (table.deleted.contains(i))
            flagRow(at.first, at.second, 0x8000);
        if (moving)
            moved << qMakePair(at, r);
    }
    // A moved row's data is marked deleted where it went, so that reading the pages in turn does not find it
    // twice; where it was, a pointer to it (its row number, then its page in three bytes).
    for (const auto& [from, r] : std::as_const(moved)) {
        const QPair<int, int> to = place(page, dataPages, tdef, r);
        flagRow(to.first, to.second, 0x8000);
        m_pages[from.first].replace(rowStart(from.first, from.second), 4,
                                    bytes32(uint32_t(to.first) << 8 | uint32_t(to.second)));
        flagRow(from.first, from.second, 0x4000);
    }
    return largestId;
}

void Writer::writeTable(int tdef, const Table& table, bool system) {
    const QList<ColumnLayout> cols = layout(table.columns);
    QList<QList<int>> longValuePages(cols.size());
    QList<int> dataPages;
    m_longValuePage = -1;
    const qint64 largestId = writeRows(tdef, cols, table, longValuePages, dataPages);
    // The maps: of the table's pages, of those with room, and of each long
    // value column's pages.
    const int holder = newDataPage(0, false);
    addRow(holder, tableMap(dataPages));
    addRow(holder, usageMap({}));
    QList<QPair<int, int>> columnMaps;
    for (const ColumnLayout& c : cols)
        if (c.code == kMemo) {
            const int used = addRow(holder, usageMap(longValuePages[c.number]));
            columnMaps << qMakePair(c.number, used);
        }

    QByteArray d = m_jet3 ? QByteArray(43, '\0') : QByteArray(63, '\0');
    d[0] = 0x02;
    d[1] = 0x01;
    const int varCount = int(std::count_if(cols.begin(), cols.end(), [](const ColumnLayout& c) { return !c.fixed; }));
    const int rowsAt = m_jet3 ? 12 : 16;
    put32(d, rowsAt, uint32_t(table.rows.size() - table.deleted.size()));
    put32(d, rowsAt + 4, uint32_t(table.lastCounter ? table.lastCounter : largestId));
    if (!m_jet3)
        d[24] = 0x01;
    const int typeAt = m_jet3 ? 20 : 40;
    d[typeAt] = char(system ? 0x53 : 0x4E);
    put16(d, typeAt + 1, cols.size());
    put16(d, typeAt + 3, varCount);
    put16(d, typeAt + 5, cols.size());
    put32(d, typeAt + 15, uint32_t(holder) << 8 | 0);
    put32(d, typeAt + 19, uint32_t(holder) << 8 | 1);
    for (const ColumnLayout& c : cols) {
        QByteArray e(m_jet3 ? 18 : 25, '\0');
        e[0] = char(c.code);
        const int base = m_jet3 ? 1 : 5;
        put16(e, base, c.number);
        put16(e, base + 2, c.varIndex);
        put16(e, base + 4, c.number);
        const bool textual = c.code == kText || c.code == kMemo;
        if (m_jet3) {
            if (textual) {
                put16(e, 9, 0x409);
                put16(e, 11, m_options.textCodePage);
            }
        } else if (textual) {
            put16(e, 11, 0x409);
            e[16] = 0x01; // compressed text allowed
        }
        e[m_jet3 ? 13 : 15] = char((c.fixed ? 0x01 : 0) | 0x02 | (c.counter ? 0x04 : 0));
        put16(e, m_jet3 ? 14 : 21, c.fixedOffset);
        put16(e, m_jet3 ? 16 : 23, c.size);
        d += e;
    }
    for (const ColumnLayout& c : cols)
        d += name(c.name);
    for (const auto& [column, used] : columnMaps)
        d += bytes16(column) + bytes32(uint32_t(holder) << 8 | uint32_t(used)) + bytes32(uint32_t(holder) << 8 | 1);
    d += bytes16(0xFFFF);
    put32(d, 8, uint32_t(d.size()));
    if (m_jet3)
        d.replace(2, 2, "VC");
    else
        put16(d, 2, std::max(0, m_pageSize - int(d.size()) - 8));
    writeDefinition(tdef, d);
}

// A definition longer than a page goes on in pages of its own, each after an 8-byte header, linked from the page
// before.
void Writer::writeDefinition(int tdef, QByteArray definition) {
    int page = tdef;
    m_pages[page].replace(0, std::min<int>(m_pageSize, int(definition.size())), definition.left(m_pageSize));
    definition.remove(0, m_pageSize);
    while (!definition.isEmpty()) {
        const int next = allocate();
        put32(m_pages[page], 4, uint32_t(next));
        page = next;
        m_pages[page][0] = 0x02;
        m_pages[page][1] = 0x01;
        if (m_jet3)
            m_pages[page].replace(2, 2, "VC");
        const QByteArray piece = definition.left(m_pageSize - 8);
        m_pages[page].replace(8, piece.size(), piece);
        definition.remove(0, piece.size());
    }
}

void Writer::writeHeader() {
    QByteArray& h = m_pages[0];
    h[1] = 0x01;
    h.replace(4, 15, "Standard Jet DB");
    h[0x14] = char(m_jet3 ? 0 : 1);
    put16(h, m_jet3 ? 0x3A : 0x6E, 0x409);
    put16(h, 0x3C, m_options.headerCodePage);
    put32(h, 0x3E, 0); // no key: pages are stored as they are
    const jet::Format format = m_jet3 ? jet::Format::Jet3 : jet::Format::Jet4;
    QByteArray password = m_jet3 ? jet::encode(m_options.password, m_options.textCodePage) : ucs2(m_options.password);
    password.resize(jet::passwordLength(format), '\0');
    if (!m_jet3) {
        std::memcpy(h.data() + jet::kCreatedOffset, &m_options.created, 8);
        const QByteArray mask = jet::passwordMask(m_options.created);
        for (int i = 0; i < password.size(); ++i)
            password[i] = char(password[i] ^ mask[i % 4]);
    }
    h.replace(jet::kPasswordOffset, password.size(), password);
    jet::rc4(jet::kHeaderKey, 4, reinterpret_cast<unsigned char*>(h.data()) + jet::kMaskedStart,
             jet::maskedLength(format));
}

QByteArray Writer::file(const QList<Table>& tables) {
    allocate(); // 0: the header
    const int global = newDataPage(0, false);
    const int catalogue = allocate(); // 2: always the catalogue's definition
    QList<int> definitions;
    for (const Table& t : tables) {
        definitions << allocate();
        writeTable(definitions.last(), t, false);
    }
    QList<Row> objects{{2, QVariant(), QStringLiteral("MSysObjects"), 1, qint64(0x80000002), QVariant()}};
    for (int i = 0; i < tables.size(); ++i)
        objects << Row{definitions[i], QVariant(), tables[i].name, 1, 0, QVariant()};
    const QList<Column> objectColumns{{"Id", Type::Long},    {"ParentId", Type::Long}, {"Name", Type::Text, 128},
                                      {"Type", Type::Short}, {"Flags", Type::Long},    {"LvProp", Type::Memo}};
    writeTable(catalogue, Table{QStringLiteral("MSysObjects"), objectColumns, objects, 0}, true);
    QList<int> all;
    for (int p = 0; p < m_pages.size(); ++p)
        all << p;
    addRow(global, usageMap(all));
    writeHeader();
    QByteArray result;
    result.reserve(m_pages.size() * m_pageSize);
    for (const QByteArray& p : std::as_const(m_pages))
        result += p;
    return result;
}

} // namespace

QByteArray write(const QList<Table>& tables, const Options& options) { return Writer(options).file(tables); }

QList<Column> contactColumns() {
    return {{"id", Type::Counter},       {"name", Type::Text, 50},     {"phone", Type::Text, 25},
            {"address", Type::Text, 50}, {"birthday", Type::DateTime}, {"reliability", Type::Long}};
}

QList<Column> itemColumns(bool withDescription) {
    QList<Column> columns{{"id", Type::Counter},     {"title", Type::Text, 50},  {"type", Type::Text, 25},
                          {"issue", Type::DateTime}, {"return", Type::DateTime}, {"contact", Type::Long}};
    if (withDescription)
        columns << Column{"description", Type::Text, 50};
    return columns;
}

} // namespace jetwriter
