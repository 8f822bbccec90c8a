#include "jet/JetReader.h"

#include "jet/CodePages.h"
#include "jet/JetBytes.h"
#include "jet/JetFile.h"
#include "jet/JetRow.h"

#include <cmath>
#include <cstring>

namespace jet {

namespace {

// The catalogue (MSysObjects) always starts its definition on page 2.
constexpr quint32 kCataloguePage = 2;
constexpr int kTableObject = 1;
constexpr uint32_t kSystemObject = 0x80000002u;
constexpr int kSampleRows = 300;

QString ucs2(const unsigned char* p, size_t n) {
    QString text;
    text.resize(qsizetype(n / 2));
    for (size_t i = 0; i < n / 2; ++i)
        text[qsizetype(i)] = QChar(char16_t(p[2 * i] | p[2 * i + 1] << 8));
    return text;
}

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
    return ucs2(p, n);
}

QString ucs2(QByteArrayView bytes) { return ucs2(bytesOf(bytes.data()), size_t(bytes.size())); }

ColumnKind kindOf(int type) {
    switch (type) {
    case kByteColumn:
    case kIntegerColumn:
    case kLongColumn: return ColumnKind::Integer;
    case kDateTimeColumn: return ColumnKind::Date;
    case kTextColumn:
    case kMemoColumn: return ColumnKind::Text;
    default: return ColumnKind::Other;
    }
}

// The catalogue's own column names are ASCII in either format.
int columnNamed(const TableDef& table, bool jet3, const char* name) {
    for (qsizetype i = 0; i < table.columns.size(); ++i) {
        const QByteArray& stored = table.columns[i].name;
        const QString decoded = jet3 ? QString::fromLatin1(stored) : ucs2(stored);
        if (decoded.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

} // namespace

struct Reader::Private {
    File file;
    int codePage = 1252;
    bool sampling = false;
    QList<QByteArray> samples;
    struct Entry {
        QByteArray name; // as stored in the catalogue's Name column
        quint32 page = 0;
    };
    QList<Entry> catalogue; // the user tables, in the catalogue's order
    QList<Field> fields;

    QString text(QByteArrayView bytes) {
        if (!file.jet3())
            return jet4Text(bytesOf(bytes.data()), size_t(bytes.size()));
        if (sampling)
            samples << bytes.toByteArray();
        return decode(bytes, codePage);
    }
    // Column names are plain UCS-2 in Jet 4; table names are texts.
    QString name(QByteArrayView bytes, bool column) { return column && !file.jet3() ? ucs2(bytes) : text(bytes); }
    const Entry* entry(const QString& wanted) {
        for (const Entry& e : catalogue)
            if (name(e.name, false) == wanted)
                return &e;
        return nullptr;
    }
    bool value(const ColumnDef& c, const Field& f, QVariant& out);
    bool readCatalogue();
    bool catalogueRow(QByteArrayView row, const TableDef& objects, const int (&at)[4]);
};

bool Reader::Private::value(const ColumnDef& c, const Field& f, QVariant& out) {
    out = QVariant();
    if (c.type == kBooleanColumn) {
        out = f.present;
        return true;
    }
    if (!f.present)
        return true;
    const auto* p = bytesOf(f.bytes.data());
    const qsizetype n = f.bytes.size();
    switch (c.type) {
    case kByteColumn:
        if (n < 1)
            return false;
        out = qint64(p[0]);
        return true;
    case kIntegerColumn:
        if (n < 2)
            return false;
        out = qint64(int16_t(le16(p)));
        return true;
    case kLongColumn:
        if (n < 4)
            return false;
        out = qint64(int32_t(le32(p)));
        return true;
    case kDateTimeColumn: {
        if (n < 8)
            return false;
        double day; // the stored number itself, whatever calendar date it is
        std::memcpy(&day, p, sizeof day);
        if (std::isfinite(day))
            out = day;
        return true;
    }
    case kTextColumn: out = text(f.bytes); return true;
    case kMemoColumn: {
        QByteArray bytes;
        if (!file.longValue(f.bytes, bytes))
            return false;
        out = text(bytes);
        return true;
    }
    default: return true; // a column the catalogue does not use
    }
}

// A catalogue row: a user table is of type 1 and not flagged as a system
// table; its definition's page is the low 24 bits of its id.
bool Reader::Private::catalogueRow(QByteArrayView row, const TableDef& objects, const int (&at)[4]) {
    if (!splitRow(row, objects, file.jet3(), fields))
        return false;
    QVariant id, type, flags;
    if (!value(objects.columns[at[0]], fields[at[0]], id) || !value(objects.columns[at[2]], fields[at[2]], type)
        || !value(objects.columns[at[3]], fields[at[3]], flags))
        return false;
    const Field& name = fields[at[1]];
    if (id.isValid() && type.toLongLong() == kTableObject && name.present
        && (uint32_t(flags.toLongLong()) & kSystemObject) == 0)
        catalogue << Entry{name.bytes.toByteArray(), quint32(id.toLongLong()) & 0xFFFFFF};
    return true;
}

bool Reader::Private::readCatalogue() {
    TableDef objects;
    if (!file.tableDef(kCataloguePage, objects))
        return false;
    const bool jet3 = file.jet3();
    const int at[4] = {columnNamed(objects, jet3, "Id"), columnNamed(objects, jet3, "Name"),
                       columnNamed(objects, jet3, "Type"), columnNamed(objects, jet3, "Flags")};
    for (const int column : at)
        if (column < 0)
            return false;
    if (objects.columns[at[1]].type != kTextColumn)
        return false;
    bool damaged = false;
    const bool read = file.rows(objects, [&](QByteArrayView row) {
        damaged = !catalogueRow(row, objects, at);
        return !damaged;
    });
    return read && !damaged;
}

Reader::Reader() : d(new Private) {}

Reader::~Reader() = default;

bool Reader::open(const QString& path) {
    d->catalogue.clear();
    if (!d->file.open(path))
        return false;
    // Until chooseCodePage decides, Jet 3 text is taken in the header's code page.
    d->codePage = d->file.codePage();
    return d->readCatalogue();
}

QList<TableInfo> Reader::tables() {
    QList<TableInfo> result;
    for (const Private::Entry& e : d->catalogue) {
        TableInfo info;
        info.name = d->name(e.name, false);
        TableDef t;
        if (!d->file.tableDef(e.page, t))
            continue; // unreadable: the caller finds the table missing
        info.declaredRows = t.rows;
        info.lastCounter = t.lastCounter;
        for (const ColumnDef& c : t.columns) {
            ColumnInfo ci;
            ci.name = d->name(c.name, true);
            ci.kind = kindOf(c.type);
            ci.memo = c.type == kMemoColumn;
            if (c.type == kTextColumn)
                ci.characters = d->file.jet3() ? c.length : c.length / 2;
            info.columns << ci;
        }
        result << info;
    }
    return result;
}

bool Reader::readRows(const QString& table, const std::function<bool(const QList<QVariant>&)>& row) {
    const Private::Entry* e = d->entry(table);
    TableDef t;
    if (!e || !d->file.tableDef(e->page, t))
        return false;
    QList<QVariant> values(t.columns.size());
    bool damaged = false;
    const bool read = d->file.rows(t, [&](QByteArrayView bytes) {
        damaged = !splitRow(bytes, t, d->file.jet3(), d->fields);
        for (qsizetype i = 0; i < t.columns.size() && !damaged; ++i)
            damaged = !d->value(t.columns[i], d->fields[i], values[i]);
        return !damaged && row(values);
    });
    return read && !damaged;
}

void Reader::chooseCodePage() {
    if (!d->file.jet3())
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
