#include "jet/JetReader.h"

#include "jet/CodePages.h"

#include <mdbtools.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace jet {

namespace {

// Row offsets carry two flags: a deleted row, and a row that only points
// to where its data moved (the data is read there, as a row of its own).
constexpr int kDeletedRow = 0x8000;
constexpr int kMovedRow = 0x4000;
constexpr int kOffsetMask = 0x1FFF;
constexpr uint32_t kMemoInline = 0x80000000u;
constexpr uint32_t kMemoOneRow = 0x40000000u;
constexpr int kMemoHeader = 12;
// No memo of a catalogue comes near this; a length beyond it is damage.
constexpr uint32_t kLongestMemo = 64u << 20;
constexpr int kSampleRows = 300;

uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

// Jet 4 text: UCS-2, or after FF FE its compressed form, where a zero byte
// switches between one byte and two bytes per character.
QString jet4Text(const unsigned char* p, size_t n) {
    QString text;
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        text.reserve(qsizetype(n));
        bool compressed = true;
        for (size_t i = 2; i < n;) {
            if (p[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                text += QChar(char16_t(p[i++]));
            } else if (i + 1 < n) {
                text += QChar(char16_t(p[i] | p[i + 1] << 8));
                i += 2;
            } else {
                break;
            }
        }
        return text;
    }
    text.resize(qsizetype(n / 2));
    for (size_t i = 0; i < n / 2; ++i)
        text[qsizetype(i)] = QChar(char16_t(p[2 * i] | p[2 * i + 1] << 8));
    return text;
}

struct TableDefCloser {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};
using TableDef = std::unique_ptr<MdbTableDef, TableDefCloser>;

} // namespace

struct Reader::Private {
    MdbHandle* mdb = nullptr;
    bool jet3 = false;
    int codePage = 1252;
    bool sampling = false;
    QList<QByteArray> samples;

    QString text(const unsigned char* p, size_t n) {
        if (!jet3)
            return jet4Text(p, n);
        const QByteArray bytes(reinterpret_cast<const char*>(p), qsizetype(n));
        if (sampling)
            samples << bytes;
        return decode(bytes, codePage);
    }
    // libmdb names, which it decodes as Latin-1 in Jet 3 files (see open).
    QString name(const char* utf8) {
        const QString decoded = QString::fromUtf8(utf8);
        if (!jet3)
            return decoded;
        const QByteArray bytes = decoded.toLatin1();
        if (sampling)
            samples << bytes;
        return decode(bytes, codePage);
    }
    MdbCatalogEntry* entry(const QString& wanted) {
        for (unsigned int i = 0; i < mdb->num_catalog; ++i) {
            auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
            if (e->object_type == MDB_TABLE && mdb_is_user_table(e) && name(e->object_name) == wanted)
                return e;
        }
        return nullptr;
    }
    TableDef read(MdbCatalogEntry* e) {
        TableDef t(mdb_read_table(e));
        if (t && !mdb_read_columns(t.get()))
            t.reset();
        return t;
    }
    bool memo(const unsigned char* field, int size, QByteArray& out);
    bool value(const MdbColumn* c, const MdbField& f, QVariant& out);
};

Reader::Reader() : d(new Private) {}

Reader::~Reader() {
    if (d->mdb)
        mdb_close(d->mdb);
}

bool Reader::open(const QString& path) {
    // Names come back as Latin-1, byte for byte, so that the code page
    // chosen later decodes them; libmdb reads this when it opens a file.
    ::setenv("MDB_JET3_CHARSET", "ISO-8859-1", 1);
    d->mdb = mdb_open(path.toLocal8Bit().constData(), MDB_NOFLAGS);
    if (!d->mdb)
        return false;
    d->jet3 = d->mdb->f->jet_version == MDB_VER_JET3;
    return mdb_read_catalog(d->mdb, MDB_TABLE) != nullptr;
}

QList<TableInfo> Reader::tables() {
    QList<TableInfo> result;
    for (unsigned int i = 0; i < d->mdb->num_catalog; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(d->mdb->catalog, i));
        if (e->object_type != MDB_TABLE || !mdb_is_user_table(e))
            continue;
        TableInfo info;
        info.name = d->name(e->object_name);
        const TableDef t = d->read(e);
        if (!t)
            continue; // unreadable: the caller finds the table missing
        info.declaredRows = t->num_rows;
        for (unsigned int c = 0; c < t->num_cols; ++c) {
            const auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, c));
            ColumnInfo ci;
            ci.name = d->name(col->name);
            switch (col->col_type) {
            case MDB_BYTE:
            case MDB_INT:
            case MDB_LONGINT: ci.kind = ColumnKind::Integer; break;
            case MDB_DATETIME: ci.kind = ColumnKind::Date; break;
            case MDB_TEXT:
                ci.kind = ColumnKind::Text;
                ci.characters = d->jet3 ? col->col_size : col->col_size / 2;
                break;
            case MDB_MEMO:
                ci.kind = ColumnKind::Text;
                ci.memo = true;
                break;
            default: ci.kind = ColumnKind::Other;
            }
            info.columns << ci;
        }
        // The counter's last value given is kept in the definition itself.
        if (mdb_read_pg(d->mdb, e->table_pg) == d->mdb->fmt->pg_size)
            info.lastCounter = mdb_get_int32(d->mdb->pg_buf, d->jet3 ? 16 : 20);
        result << info;
    }
    return result;
}

bool Reader::Private::memo(const unsigned char* field, int size, QByteArray& out) {
    out.clear();
    if (size < kMemoHeader)
        return true; // no header: libmdb too reads an empty text
    const uint32_t header = le32(field);
    if (header & kMemoInline) {
        out = QByteArray(reinterpret_cast<const char*>(field + kMemoHeader), size - kMemoHeader);
        return true;
    }
    void* buf = nullptr;
    int start = 0;
    size_t length = 0;
    uint32_t pointer = le32(field + 4);
    if (header & kMemoOneRow) {
        if (mdb_find_pg_row(mdb, int(pointer), &buf, &start, &length) != 0)
            return false;
        out = QByteArray(static_cast<const char*>(buf) + start, qsizetype(length));
        return true;
    }
    if (header > kLongestMemo)
        return false;
    // A chain of rows, each led by the pointer to the next; every piece
    // holds at least one byte, which bounds the walk.
    for (uint32_t pieces = 0; pointer; ++pieces) {
        if (pieces > header || mdb_find_pg_row(mdb, int(pointer), &buf, &start, &length) != 0 || length < 4)
            return false;
        const auto* row = static_cast<const unsigned char*>(buf) + start;
        if (uint32_t(out.size()) + (length - 4) > header)
            return false;
        out.append(reinterpret_cast<const char*>(row + 4), qsizetype(length - 4));
        pointer = le32(row);
    }
    return uint32_t(out.size()) == header;
}

bool Reader::Private::value(const MdbColumn* c, const MdbField& f, QVariant& out) {
    out = QVariant();
    if (f.is_null)
        return true;
    const auto* p = static_cast<const unsigned char*>(f.value);
    if (!p && c->col_type != MDB_TEXT && c->col_type != MDB_MEMO)
        return false;
    switch (c->col_type) {
    case MDB_BYTE:
        if (f.siz < 1)
            return false;
        out = qint64(p[0]);
        return true;
    case MDB_INT:
        if (f.siz < 2)
            return false;
        out = qint64(int16_t(p[0] | p[1] << 8));
        return true;
    case MDB_LONGINT:
        if (f.siz < 4)
            return false;
        out = qint64(int32_t(le32(p)));
        return true;
    case MDB_DATETIME: {
        if (f.siz < 8)
            return false;
        double day;
        std::memcpy(&day, p, sizeof day);
        if (std::isfinite(day))
            out = day;
        return true;
    }
    case MDB_TEXT: out = text(p, p ? size_t(f.siz) : 0); return true;
    case MDB_MEMO: {
        QByteArray bytes;
        if (!memo(p, p ? f.siz : 0, bytes))
            return false;
        out = text(reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size()));
        return true;
    }
    default: return true; // a column the catalogue does not use
    }
}

bool Reader::readRows(const QString& table, const std::function<bool(const QList<QVariant>&)>& row) {
    MdbCatalogEntry* e = d->entry(table);
    const TableDef t = e ? d->read(e) : TableDef();
    if (!t)
        return false;
    MdbHandle* mdb = d->mdb;
    QList<MdbField> fields(qsizetype(t->num_cols));
    QList<QVariant> values(qsizetype(t->num_cols));
    mdb_rewind_table(t.get());
    while (mdb_read_next_dpg(t.get())) {
        const int rows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
        for (int r = 0; r < rows; ++r) {
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb, r, &start, &size) != 0 || size == 0)
                return false;
            if (start & (kDeletedRow | kMovedRow))
                continue;
            if (mdb_crack_row(t.get(), start & kOffsetMask, size, fields.data()) < 0)
                return false;
            for (unsigned int i = 0; i < t->num_cols; ++i) {
                const auto* c = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, fields[i].colnum));
                if (!d->value(c, fields[i], values[fields[i].colnum]))
                    return false;
            }
            if (!row(values))
                return true;
        }
    }
    return true;
}

void Reader::chooseCodePage() {
    if (!d->jet3)
        return;
    d->sampling = true;
    for (const TableInfo& t : tables()) {
        int left = kSampleRows;
        readRows(t.name, [&](const QList<QVariant>&) { return --left > 0; });
    }
    d->sampling = false;
    d->codePage = guessCodePage(d->samples);
    d->samples.clear();
}

} // namespace jet
