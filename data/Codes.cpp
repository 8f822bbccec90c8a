#include "data/Codes.h"

#include "data/CatalogueShape.h"
#include "data/Statements.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "engine/RowInsert.h"

#include <QRegularExpression>
#include <QSet>

namespace codes {

namespace {

const QString kCode = QStringLiteral("code");
const QString kTable = QStringLiteral("tbl");
const QString kItem = QStringLiteral("item");
// Set once the code was printed on a label; the first catalogues with codes
// lack it until a label is printed.
const QString kPrinted = QStringLiteral("printed");

bool printedKept(engine::Connection& connection) {
    return connection.columnsOf(shape::kCodesTable).contains(kPrinted, Qt::CaseInsensitive);
}

int digit(QChar c) { return c == u'X' ? 10 : c.digitValue(); }

// ISBN-10: weights 10..1, the sum a multiple of 11.
bool isbn10Holds(const QString& code) {
    int sum = 0;
    for (int i = 0; i < 10; ++i)
        sum += (10 - i) * digit(code[i]);
    return sum % 11 == 0;
}

// EAN-13's check digit of its first twelve digits: weights 1, 3, 1, ...
int ean13Check(const QString& first12) {
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (i % 2 ? 3 : 1) * first12[i].digitValue();
    return (10 - sum % 10) % 10;
}

QString whereHolder(const Holder& holder) {
    return sql::both(sql::equals(kTable, sql::text(holder.table)), sql::equals(kItem, sql::number(holder.id)));
}

// The first value of the first row of select, empty when there is none.
QString firstValue(engine::Connection& connection, const sql::Select& select) {
    engine::Query q(&connection, QStringLiteral("codes"));
    q.addSql(select.text());
    q.open();
    return q.recordCount() ? q.textValue(0, 0) : QString();
}

// The last own number given is kept where SQLite keeps the last id an
// AUTOINCREMENT table gave, under the codes' table's name: it outlives the
// codes given with it, so a number is never given twice.
const QString kSequence = QStringLiteral("sqlite_sequence");

// (Every catalogue with an item table has it: their ids count up so.)
qint64 lastNumber(engine::Connection& connection) {
    return firstValue(connection, sql::Select({QStringLiteral("seq")})
                                      .from(kSequence)
                                      .where(sql::equals(QStringLiteral("name"), sql::text(shape::kCodesTable))))
        .toLongLong();
}

} // namespace

QString normalized(const QString& typed, QString* refusal) {
    static const QRegularExpression isbn10(QStringLiteral("^[0-9]{9}[0-9X]$"));
    static const QRegularExpression digits13(QStringLiteral("^[0-9]{13}$"));
    const auto refuse = [&](const QString& why) {
        if (refusal)
            *refusal = why;
        return QString();
    };
    const QString code = typed.trimmed().toUpper();
    if (code.isEmpty())
        return refuse(QStringLiteral("Код не указан."));
    if (isbn10.match(code).hasMatch()) {
        if (!isbn10Holds(code))
            return refuse(QStringLiteral("Код «%1» не является ISBN: неверна контрольная цифра.").arg(code));
        const QString first12 = QStringLiteral("978") + code.left(9);
        return first12 + QString::number(ean13Check(first12));
    }
    if (digits13.match(code).hasMatch() && ean13Check(code.left(12)) != code[12].digitValue())
        return refuse(QStringLiteral("Код «%1»: неверна контрольная цифра EAN-13.").arg(code));
    return code;
}

bool kept(engine::Connection& connection) { return connection.hasTable(shape::kCodesTable); }

void ensureTable(engine::Connection& connection) {
    if (!kept(connection))
        connection.execute(QStringLiteral("CREATE TABLE %1 (%2 TEXT PRIMARY KEY, %3 TEXT NOT NULL, "
                                          "%4 INTEGER NOT NULL, %5 INTEGER NOT NULL DEFAULT 0, UNIQUE (%3, %4))")
                               .arg(sql::name(shape::kCodesTable), sql::name(kCode), sql::name(kTable),
                                    sql::name(kItem), sql::name(kPrinted)));
    else if (!printedKept(connection))
        connection.execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 INTEGER NOT NULL DEFAULT 0")
                               .arg(sql::name(shape::kCodesTable), sql::name(kPrinted)));
}

std::optional<Holder> holderOf(engine::Connection& connection, const QString& code) {
    const QString kept = normalized(code);
    if (kept.isEmpty() || !codes::kept(connection))
        return std::nullopt;
    engine::Query q(&connection, QStringLiteral("codes"));
    q.addSql(sql::Select({sql::name(kTable), sql::name(kItem)})
                 .from(shape::kCodesTable)
                 .where(sql::equals(kCode, sql::text(kept)))
                 .text());
    q.open();
    if (!q.recordCount())
        return std::nullopt;
    return Holder{q.textValue(0, 0), q.value(0, 1).toLongLong()};
}

QString codeOf(engine::Connection& connection, const Holder& holder) {
    if (!kept(connection))
        return {};
    return firstValue(connection, sql::Select({sql::name(kCode)}).from(shape::kCodesTable).where(whereHolder(holder)));
}

void assign(engine::Connection& connection, const Holder& holder, const QString& code) {
    if (code.trimmed().isEmpty()) {
        forget(connection, holder);
        return;
    }
    QString refusal;
    const QString kept = normalized(code, &refusal);
    if (kept.isEmpty())
        throw engine::EngineError(refusal);
    const std::optional<Holder> other = holderOf(connection, kept);
    if (other && *other == holder)
        return;
    if (other)
        throw engine::EngineError(QStringLiteral("Код «%1» уже присвоен другой записи.").arg(kept));
    const auto give = [&] {
        ensureTable(connection);
        forget(connection, holder);
        connection.execute(sql::insertValues(shape::kCodesTable, {kCode, kTable, kItem},
                                             {sql::text(kept), sql::text(holder.table), sql::number(holder.id)}));
    };
    // Within a change's own transaction it is part of that change.
    if (connection.inTransaction())
        give();
    else
        connection.inOneTransaction(give);
}

int giveNumbers(engine::Connection& connection, const QString& table, const QList<qint64>& items) {
    int given = 0;
    connection.inOneTransaction([&] {
        ensureTable(connection);
        QSet<qint64> coded;
        QSet<QString> taken;
        engine::Query q(&connection, QStringLiteral("codes"));
        q.addSql(sql::Select({sql::name(kCode), sql::name(kTable), sql::name(kItem)}).from(shape::kCodesTable).text());
        q.open();
        for (int r = 0; r < q.recordCount(); ++r) {
            taken.insert(q.textValue(r, 0));
            if (q.textValue(r, 1) == table)
                coded.insert(q.value(r, 2).toLongLong());
        }
        qint64 last = lastNumber(connection);
        engine::RowInsert insert(connection, shape::kCodesTable, {kCode, kTable, kItem});
        for (qint64 item : items) {
            if (coded.contains(item))
                continue;
            QString code;
            do
                code = QStringLiteral("%1").arg(++last, 8, 10, QChar(u'0'));
            while (taken.contains(code));
            insert.setText(0, code);
            insert.setText(1, table);
            insert.setInteger(2, item);
            insert.insert();
            coded.insert(item);
            ++given;
        }
        insert.finish();
        connection.execute(
            sql::deleteRows(kSequence, sql::equals(QStringLiteral("name"), sql::text(shape::kCodesTable))));
        connection.execute(sql::insertValues(kSequence, {QStringLiteral("name"), QStringLiteral("seq")},
                                             {sql::text(shape::kCodesTable), sql::number(last)}));
    });
    return given;
}

QHash<qint64, Kept> codesOf(engine::Connection& connection, const QString& table) {
    QHash<qint64, Kept> found;
    if (!kept(connection))
        return found;
    const bool printed = printedKept(connection);
    engine::Query q(&connection, QStringLiteral("codes"));
    q.addSql(sql::Select({sql::name(kItem), sql::name(kCode), printed ? sql::name(kPrinted) : sql::number(qint64(0))})
                 .from(shape::kCodesTable)
                 .where(sql::equals(kTable, sql::text(table)))
                 .text());
    q.open();
    for (int r = 0; r < q.recordCount(); ++r)
        found.insert(q.value(r, 0).toLongLong(), Kept{q.textValue(r, 1), q.value(r, 2).toLongLong() != 0});
    return found;
}

void markPrinted(engine::Connection& connection, const QStringList& printed) {
    if (printed.isEmpty() || !kept(connection))
        return;
    connection.inOneTransaction([&] {
        ensureTable(connection);
        QStringList literals;
        for (const QString& code : printed)
            literals << sql::text(code);
        connection.execute(
            sql::update(shape::kCodesTable, {{kPrinted, sql::number(qint64(1))}}, sql::in(kCode, literals)));
    });
}

void forget(engine::Connection& connection, const Holder& holder) {
    if (kept(connection))
        connection.execute(sql::deleteRows(shape::kCodesTable, whereHolder(holder)));
}

void tableRenamed(engine::Connection& connection, const QString& from, const QString& to) {
    if (kept(connection))
        connection.execute(
            sql::update(shape::kCodesTable, {{kTable, sql::text(to)}}, sql::equals(kTable, sql::text(from))));
}

void tableRemoved(engine::Connection& connection, const QString& table) {
    if (kept(connection))
        connection.execute(sql::deleteRows(shape::kCodesTable, sql::equals(kTable, sql::text(table))));
}

} // namespace codes
