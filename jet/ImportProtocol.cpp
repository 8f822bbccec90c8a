#include "jet/ImportProtocol.h"

#include <QList>

#include <iterator>

namespace importprotocol {

namespace {

const char* const kWords[] = {"tables", "table", "renamed", "rows", "peak", "done", "error"};
const char* const kFailures[] = {"unreadable", "damaged",   "nocontacts", "foreigntable",
                                 "nocolumn",   "wrongkind", "notwritten"};

// A field never holds the separators.
QByteArray field(const QString& text) {
    return QString(text).replace(u'\t', u' ').replace(u'\n', u' ').replace(u'\r', u' ').toUtf8();
}

QByteArray line(Kind kind, const QList<QByteArray>& fields) {
    QByteArray out = kWords[int(kind)];
    for (const QByteArray& f : fields)
        out += '\t' + f;
    return out + '\n';
}

} // namespace

QByteArray tables(int number, qint64 rows) {
    return line(Kind::Tables, {QByteArray::number(number), QByteArray::number(rows)});
}

QByteArray table(int number, qint64 rows, const QString& name) {
    return line(Kind::Table, {QByteArray::number(number), QByteArray::number(rows), field(name)});
}

QByteArray renamed(const QString& name, const QString& source) {
    return line(Kind::Renamed, {field(name), field(source)});
}

QByteArray rows(qint64 count) { return line(Kind::Rows, {QByteArray::number(count)}); }

QByteArray peak(qint64 bytes) { return line(Kind::Peak, {QByteArray::number(bytes)}); }

QByteArray done() { return line(Kind::Done, {}); }

QByteArray error(Failure failure, const QString& name, const QString& detail) {
    return line(Kind::Error, {kFailures[int(failure)], field(name), field(detail)});
}

Message parse(const QByteArray& received) {
    const QList<QByteArray> parts = received.trimmed().split('\t');
    Message m;
    for (int k = 0; k < int(std::size(kWords)); ++k)
        if (parts[0] == kWords[k])
            m.kind = Kind(k);
    const auto number = [&](int i) { return parts.value(i).toLongLong(); };
    const auto text = [&](int i) { return QString::fromUtf8(parts.value(i)); };
    switch (m.kind) {
    case Kind::Tables: m.number = number(1), m.count = number(2); break;
    case Kind::Table: m.number = number(1), m.count = number(2), m.name = text(3); break;
    case Kind::Renamed: m.name = text(1), m.detail = text(2); break;
    case Kind::Rows:
    case Kind::Peak: m.count = number(1); break;
    case Kind::Error:
        for (int f = 0; f < int(std::size(kFailures)); ++f)
            if (parts.value(1) == kFailures[f])
                m.failure = Failure(f);
        m.name = text(2);
        m.detail = text(3);
        break;
    case Kind::Done:
    case Kind::Unknown: break;
    }
    return m;
}

} // namespace importprotocol
