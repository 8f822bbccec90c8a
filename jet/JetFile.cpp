#include "jet/JetFile.h"

#include "jet/JetBytes.h"
#include "jet/JetHeader.h"

#include <QSet>

namespace jet {

namespace {

constexpr unsigned char kDataPage = 0x01;
constexpr unsigned char kMapPage = 0x05;
// A row's entry in its page's row table: where it starts, and two flags.
constexpr int kDeletedRow = 0x8000;
constexpr int kMovedRow = 0x4000;
constexpr int kOffsetMask = 0x1FFF;
// The database key, inside the masked part of the first page: anything
// but zero masks every page with a key of its own, which is not read.
constexpr int kKeyOffset = 0x3E;
constexpr int kCodePageOffset = 0x3C;
// A moved row may have moved again; Access moves a row once.
constexpr int kLongestMove = 4;
constexpr int kCachedPages = 256;
constexpr uint32_t kMemoInline = 0x80000000u;
constexpr uint32_t kMemoOneRow = 0x40000000u;
constexpr int kMemoHeader = 12;
// No memo of a catalogue comes near this; a length beyond it is damage.
constexpr uint32_t kLongestMemo = 64u << 20;

} // namespace

bool File::open(const QString& path) {
    m_file.close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    QByteArray first = m_file.read(2048);
    const Format format = parseHeader(first).format;
    if (format != Format::Jet3 && format != Format::Jet4)
        return false;
    m_jet3 = format == Format::Jet3;
    m_pageSize = m_jet3 ? 2048 : 4096;
    auto* header = reinterpret_cast<unsigned char*>(first.data());
    rc4(kHeaderKey, 4, header + kMaskedStart, maskedLength(format));
    if (le32(header + kKeyOffset) != 0)
        return false;
    m_codePage = le16(header + kCodePageOffset);
    const qint64 pages = m_file.size() / m_pageSize;
    m_pageCount = quint32(qMin<qint64>(pages, 0xFFFFFF + 1)); // page numbers have 24 bits
    m_cache.clear();
    m_owned.clear();
    m_scanned = false;
    return m_pageCount > 2; // the catalogue's definition is page 2
}

// The page, or nothing beyond the file's last whole page. Pages are kept
// in a small cache; the bytes given out stay valid whatever it drops.
QByteArray File::page(quint32 number) {
    if (number >= m_pageCount)
        return {};
    const auto cached = m_cache.constFind(number);
    if (cached != m_cache.constEnd())
        return *cached;
    if (m_cache.size() >= kCachedPages)
        m_cache.clear();
    if (!m_file.seek(qint64(number) * m_pageSize))
        return {};
    const QByteArray bytes = m_file.read(m_pageSize);
    if (bytes.size() != m_pageSize)
        return {};
    m_cache.insert(number, bytes);
    return bytes;
}

bool File::isDataPage(const QByteArray& page, quint32 owner) const {
    return page.size() == m_pageSize && uint8_t(page[0]) == kDataPage && le32(bytesOf(page.constData()) + 4) == owner;
}

// Where row index of a data page lies, by its page's row table: a row runs
// from its offset to the offset of the row before it (the page's end for
// the first). False when that does not fit inside the page.
bool File::rowSpan(const QByteArray& page, int index, RowSpan& span) const {
    span = {};
    if (page.size() != m_pageSize)
        return false;
    const auto* p = bytesOf(page.constData());
    const int countAt = m_jet3 ? 8 : 12;
    const int rows = le16(p + countAt);
    const int tableEnd = countAt + 2 + 2 * rows;
    if (index < 0 || index >= rows || tableEnd > m_pageSize)
        return false;
    const int entry = le16(p + countAt + 2 + 2 * index);
    span.flags = entry & ~kOffsetMask;
    span.start = entry & kOffsetMask;
    span.end = index == 0 ? m_pageSize : le16(p + countAt + 2 * index) & kOffsetMask;
    return span.start >= tableEnd && span.start < span.end && span.end <= m_pageSize;
}

// The row a page-and-row pointer names (the page in its upper 24 bits);
// holder keeps the page the row's bytes lie on.
bool File::rowAt(quint32 pointer, QByteArray& holder, QByteArrayView& row) {
    holder = page(pointer >> 8);
    RowSpan span;
    if (holder.isEmpty() || uint8_t(holder[0]) != kDataPage || !rowSpan(holder, int(pointer & 0xFF), span))
        return false;
    row = QByteArrayView(holder).sliced(span.start, span.end - span.start);
    return true;
}

// The bytes of a live row: a moved row leaves a pointer to its data, which
// lies on another page of the table marked as deleted there (so a scan of
// the pages does not read it twice). kept holds the page they lie on.
bool File::liveRow(QByteArray holder, int index, quint32 owner, QByteArrayView& row, QByteArray& kept) {
    for (int moves = 0; moves <= kLongestMove; ++moves) {
        RowSpan span;
        if (!rowSpan(holder, index, span))
            return false;
        if (!(span.flags & kMovedRow)) {
            kept = holder;
            row = QByteArrayView(kept).sliced(span.start, span.end - span.start);
            return true;
        }
        if (span.end - span.start < 4)
            return false;
        const uint32_t pointer = le32(bytesOf(holder.constData()) + span.start);
        holder = page(pointer >> 8);
        if (!isDataPage(holder, owner))
            return false;
        index = int(pointer & 0xFF);
    }
    return false;
}

bool File::rows(const TableDef& table, const std::function<bool(QByteArrayView)>& row) {
    QList<quint32> pages;
    if (!dataPages(table, pages))
        return false;
    const int countAt = m_jet3 ? 8 : 12;
    QByteArray kept;
    for (const quint32 number : std::as_const(pages)) {
        const QByteArray data = page(number);
        if (!isDataPage(data, table.page))
            continue; // a map may list pages the table gave up
        const int count = le16(bytesOf(data.constData()) + countAt);
        for (int i = 0; i < count; ++i) {
            RowSpan span;
            const bool fits = rowSpan(data, i, span);
            if (span.flags & kDeletedRow)
                continue;
            QByteArrayView bytes;
            if (!fits || !liveRow(data, i, table.page, bytes, kept))
                return false;
            if (!row(bytes))
                return true;
        }
    }
    return true;
}

// The table's data pages, in page order: as its usage map lists them, or,
// where the map is of no type known, every data page that names it as
// owner. A map that is not there at all means a damaged or cut file.
bool File::dataPages(const TableDef& table, QList<quint32>& pages) {
    QByteArray holder;
    QByteArrayView map;
    if (!rowAt(table.usageMap, holder, map))
        return false;
    if (mappedPages(map, pages))
        return true;
    if (!m_scanned) // once for all tables, so that many such maps cost one pass over the file
        scanOwners();
    pages = m_owned.value(table.page);
    return true;
}

// Every data page by the definition that owns it, from the first bytes of
// each page.
void File::scanOwners() {
    m_scanned = true;
    for (quint32 number = 1; number < m_pageCount; ++number) {
        if (!m_file.seek(qint64(number) * m_pageSize))
            return;
        const QByteArray head = m_file.read(8);
        if (head.size() == 8 && uint8_t(head[0]) == kDataPage)
            m_owned[le32(bytesOf(head.constData()) + 4)] << number;
    }
}

// A usage map: type 0 is a first page and a bitmap of the pages from it;
// type 1 lists map pages (type 0x05), each a bitmap of its share of the
// file's pages. Pages beyond the file are left out.
bool File::mappedPages(QByteArrayView map, QList<quint32>& pages) {
    const auto* m = bytesOf(map.data());
    if (m[0] == 0) {
        if (map.size() < 5)
            return false;
        addMapped(le32(m + 1), m + 5, int(map.size()) - 5, pages);
        return true;
    }
    if (m[0] != 1)
        return false;
    const quint64 perMapPage = quint64(m_pageSize - 4) * 8;
    for (qsizetype i = 0; 1 + 4 * i + 4 <= map.size(); ++i) {
        const uint32_t number = le32(m + 1 + 4 * i);
        if (number == 0)
            continue;
        const QByteArray bits = page(number);
        if (bits.isEmpty() || uint8_t(bits[0]) != kMapPage)
            return false;
        addMapped(quint64(i) * perMapPage, bytesOf(bits.constData()) + 4, m_pageSize - 4, pages);
    }
    return true;
}

void File::addMapped(quint64 first, const unsigned char* bits, int bytes, QList<quint32>& pages) const {
    for (int b = 0; b < bytes; ++b) {
        if (bits[b] == 0)
            continue;
        for (int bit = 0; bit < 8; ++bit) {
            const quint64 number = first + quint64(b) * 8 + quint64(bit);
            if ((bits[b] >> bit & 1) && number < m_pageCount)
                pages << quint32(number);
        }
    }
}

bool File::longValue(QByteArrayView field, QByteArray& bytes) {
    bytes.clear();
    if (field.size() < kMemoHeader)
        return true; // no header: an empty text
    const auto* f = bytesOf(field.data());
    const uint32_t header = le32(f);
    if (header & kMemoInline) {
        bytes = field.sliced(kMemoHeader).toByteArray();
        return true;
    }
    uint32_t pointer = le32(f + 4);
    QByteArray holder;
    QByteArrayView row;
    if (header & kMemoOneRow) {
        if (!rowAt(pointer, holder, row))
            return false;
        bytes = row.toByteArray();
        return true;
    }
    if (header > kLongestMemo)
        return false;
    // A chain of rows, each led by the pointer to the next. A row met twice
    // is a loop; every row but the last adds at least a byte, so the
    // memo's length bounds the walk too.
    QSet<uint32_t> met;
    while (pointer) {
        if (met.contains(pointer) || !rowAt(pointer, holder, row) || row.size() < 4)
            return false;
        met.insert(pointer);
        if (quint64(bytes.size()) + quint64(row.size() - 4) > header)
            return false;
        bytes.append(row.sliced(4));
        pointer = le32(bytesOf(row.data()));
        if (pointer && row.size() == 4)
            return false;
    }
    return uint32_t(bytes.size()) == header;
}

} // namespace jet
