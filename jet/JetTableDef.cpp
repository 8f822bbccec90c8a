// Table definitions: the table's counts and map, then its columns and
// their names, read from the definition's pages joined into one.
#include "jet/JetBytes.h"
#include "jet/JetFile.h"

namespace jet {

namespace {

constexpr unsigned char kDefinitionPage = 0x02;
// A definition of 255 columns with long names and many indexes takes a
// few dozen pages; a chain longer than this is damage or a loop.
constexpr int kLongestDefinition = 64;

// Where the two formats keep things in a definition (counted from the
// start of its first page).
struct Layout {
    int rows, counter, kind, headerEnd, indexEntry, columnEntry;
    int number, varIndex, flags, fixedOffset, length; // inside a column entry
};
constexpr Layout kJet3{12, 16, 20, 43, 8, 18, 1, 3, 13, 14, 16};
constexpr Layout kJet4{16, 20, 40, 63, 12, 25, 5, 7, 15, 21, 23};

ColumnDef columnAt(const unsigned char* e, const Layout& l) {
    ColumnDef c;
    c.type = e[0];
    c.number = le16(e + l.number);
    c.varIndex = le16(e + l.varIndex);
    c.fixed = e[l.flags] & 0x01;
    c.fixedOffset = le16(e + l.fixedOffset);
    c.length = le16(e + l.length);
    return c;
}

// The definition's fields, bounded by its bytes at every step.
bool parse(const QByteArray& def, bool jet3, TableDef& table) {
    const Layout& l = jet3 ? kJet3 : kJet4;
    const auto* p = bytesOf(def.constData());
    const qint64 size = def.size();
    if (size < l.headerEnd)
        return false;
    table.rows = le32(p + l.rows);
    table.lastCounter = qint32(le32(p + l.counter));
    table.varColumns = le16(p + l.kind + 3);
    const int columns = le16(p + l.kind + 5);
    const quint32 indexes = le32(p + l.kind + 11);
    table.usageMap = le32(p + l.kind + 15);
    qint64 at = l.headerEnd + qint64(indexes) * l.indexEntry;
    if (at + qint64(columns) * l.columnEntry > size)
        return false;
    table.columns.clear();
    table.columns.reserve(columns);
    for (int c = 0; c < columns; ++c, at += l.columnEntry)
        table.columns << columnAt(p + at, l);
    const int lengthSize = jet3 ? 1 : 2;
    for (ColumnDef& c : table.columns) {
        if (at + lengthSize > size)
            return false;
        const int length = jet3 ? p[at] : le16(p + at);
        at += lengthSize;
        if (at + length > size)
            return false;
        c.name = def.mid(at, length);
        at += length;
    }
    return true;
}

} // namespace

// The definition's pages joined: the first whole, each next one after its
// 8-byte header, as the first page's next-page field links them.
bool File::definitionBytes(quint32 first, QByteArray& bytes) {
    bytes.clear();
    quint32 number = first;
    for (int pages = 0; pages < kLongestDefinition; ++pages) {
        const QByteArray p = page(number);
        if (p.isEmpty() || uint8_t(p[0]) != kDefinitionPage)
            return false;
        bytes += pages == 0 ? p : p.sliced(8);
        number = le32(bytesOf(p.constData()) + 4);
        if (number == 0)
            return true;
    }
    return false;
}

bool File::tableDef(quint32 page, TableDef& table) {
    QByteArray def;
    if (!definitionBytes(page, def) || !parse(def, m_jet3, table))
        return false;
    table.page = page;
    return true;
}

} // namespace jet
