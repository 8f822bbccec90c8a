#include "data/LoanHistory.h"

#include "data/BaseFiles.h"
#include "engine/Dialect.h"
#include "engine/RowInsert.h"
#include "platform/Files.h"
#include "platform/Today.h"

#include <QFileInfo>

#include <map>
#include <tuple>

namespace loanhistory {

namespace {

bool writingOff = false;

const QStringList kColumns{"at",      "event",       "tablename", "item",      "title",
                           "contact", "contactname", "issue",     "duebefore", "dueafter"};

using Value = engine::Query::Value;

bool isNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

double dayOf(const Value& v) {
    if (std::holds_alternative<double>(v))
        return std::get<double>(v);
    if (std::holds_alternative<int64_t>(v))
        return double(std::get<int64_t>(v));
    return NAN;
}

qint64 integerOf(const Value& v) {
    if (std::holds_alternative<int64_t>(v))
        return std::get<int64_t>(v);
    if (std::holds_alternative<double>(v))
        return qint64(std::get<double>(v));
    return 0;
}

QString nameOfContact(const engine::Query& contacts, qint64 id) {
    if (!contacts.isOpen())
        return QString();
    const int idField = contacts.fieldIndex(QStringLiteral("id"));
    const int nameField = contacts.fieldIndex(QStringLiteral("name"));
    for (int r = 0; r < contacts.recordCount(); ++r)
        if (contacts.integerValue(r, idField) == id)
            return contacts.textValue(r, nameField);
    return QString();
}

double dayValue(const QVariant& v) { return v.isValid() ? v.toDouble() : NAN; }

// Whether _loans has the column a table's removal marks (older files lack it).
bool marksRemovals(engine::Connection& connection) {
    return connection.columnsOf(kTable).contains(QStringLiteral("removed"), Qt::CaseInsensitive);
}

// The events the where clause picks, in the order they happened; brief
// leaves out what only the lists show (titles, names, issue dates).
QList<EventRow> readEvents(engine::Connection& connection, const QString& where, bool brief = false) {
    engine::Query q(&connection, QStringLiteral("history"));
    const QString removed = marksRemovals(connection) ? QStringLiteral("removed") : QStringLiteral("NULL");
    q.addSql((brief
                  ? QStringLiteral("SELECT event, at, tablename, item, NULL, contact, NULL, NULL, duebefore, dueafter, ")
                  : QStringLiteral("SELECT event, at, tablename, item, title, contact, contactname, issue, duebefore, "
                                   "dueafter, "))
             + removed + QStringLiteral(" FROM _loans") + QString(where).replace(QStringLiteral("%removed"), removed)
             + QStringLiteral(" ORDER BY id"));
    q.open();
    QList<EventRow> events;
    events.reserve(q.recordCount());
    for (int r = 0; r < q.recordCount(); ++r)
        events << EventRow{Event(q.integerValue(r, 0)), dayValue(q.value(r, 1)), q.textValue(r, 2),
                           q.integerValue(r, 3),        q.textValue(r, 4),       q.integerValue(r, 5),
                           q.textValue(r, 6),           dayValue(q.value(r, 7)), dayValue(q.value(r, 8)),
                           dayValue(q.value(r, 9)),     dayValue(q.value(r, 10))};
    return events;
}

// "tablename='T' AND removed IS NULL": the events of the table that exists now.
QString ofLiveTable(const QString& table) {
    return QStringLiteral("tablename='%1' AND %removed IS NULL").arg(engine::quoted(table));
}

// The loans standing in table, as its rows say, remembered from their
// issue date on; a table without a debtor column has none.
void seedTable(engine::Connection& connection, const QString& table, const QString& at) {
    const QStringList columns = connection.columnsOf(table);
    const auto column = [&](const char* name) {
        return columns.contains(QLatin1String(name), Qt::CaseInsensitive) ? QString::fromLatin1(name)
                                                                           : QStringLiteral("NULL");
    };
    if (column("contact") == QLatin1String("NULL") || !columns.contains(QLatin1String("id"), Qt::CaseInsensitive))
        return;
    connection.execute(QStringLiteral("INSERT INTO _loans (at, event, tablename, item, title, contact, issue, dueafter) "
                                      "SELECT coalesce(%1, %2), 1, '%3', id, %4, contact, %1, %5 FROM ")
                           .arg(column("issue"), at, engine::quoted(table), column("title"), column("return"))
                       + table + QStringLiteral(" WHERE contact IS NOT NULL"));
}

// Ends the open loans of table's live history with a "table removed"
// event and marks that history closed.
void closeHistoryOf(engine::Connection& connection, const QString& table) {
    const double now = platform::now();
    engine::RowInsert insert(connection, kTable, kColumns, 1);
    for (const Loan& loan : loansOf(readEvents(connection, QStringLiteral(" WHERE ") + ofLiveTable(table)))) {
        if (loan.end != Loan::End::Open)
            continue;
        insert.setReal(0, now);
        insert.setInteger(1, int(Event::TableRemoved));
        insert.setText(2, loan.table);
        insert.setInteger(3, loan.item);
        insert.setText(4, loan.title);
        insert.setInteger(5, loan.contact);
        insert.setText(6, loan.debtor);
        for (const auto& [column, day] : {std::pair{7, loan.issued}, {8, loan.due}, {9, double(NAN)}})
            if (std::isnan(day))
                insert.setNull(column);
            else
                insert.setReal(column, day);
        insert.insert();
    }
    insert.finish();
    connection.execute(QStringLiteral("UPDATE _loans SET removed=%1 WHERE ")
                           .arg(QString::number(now, 'g', 17))
                       + QString(ofLiveTable(table)).replace(QStringLiteral("%removed"), QStringLiteral("removed")));
}

// The history of tables that are gone (removed by another program, or
// before removals were marked) is closed, so no later table takes it on.
void closeHistoryOfGoneTables(engine::Connection& connection) {
    engine::Query q(&connection, QStringLiteral("history"));
    q.addSql(QStringLiteral("SELECT DISTINCT tablename FROM _loans WHERE removed IS NULL"));
    q.open();
    for (int r = 0; r < q.recordCount(); ++r) {
        const QString table = q.textValue(r, 0);
        if (!connection.hasTable(table))
            closeHistoryOf(connection, table);
    }
}

} // namespace

WriteOff::WriteOff() { writingOff = true; }
WriteOff::~WriteOff() { writingOff = false; }

void createTable(engine::Connection& connection) {
    // The rowid, with no counter to keep: events are never deleted, and the
    // counter would be one more page for every post to write.
    // removed: when the event's table was removed (Null while it exists).
    connection.execute(QStringLiteral("Create Table _loans\n(id INTEGER PRIMARY KEY, at DATETIME, event INT, "
                                      "tablename LONGTEXT, item INT, title LONGTEXT, contact INT, contactname "
                                      "LONGTEXT, issue DATETIME, duebefore DATETIME, dueafter DATETIME, removed "
                                      "DATETIME)"));
    // No index: each one is another page every post must journal and sync,
    // and the history is read far less often than it is written.
}

bool ensureTable(engine::Connection& connection) {
    const bool made = connection.hasTable(kTable);
    // A file nobody may write keeps no history, and says nothing of it.
    const QString file = QFileInfo(connection.dataSource()).absoluteFilePath();
    const bool writable = platform::mayWrite(file) && platform::mayWrite(QFileInfo(file).absolutePath());
    if (!writable)
        return made;
    try {
        QStringList items = connection.tableNames();
        items.removeIf(IsProgramTable);
        connection.inOneTransaction([&] {
            if (!made) {
                createTable(connection);
                const QString at = QString::number(platform::now(), 'g', 17);
                for (const QString& table : std::as_const(items))
                    if (!connection.isView(connection.resolveTable(table)))
                        seedTable(connection, table, at);
                connection.execute(QStringLiteral("UPDATE _loans SET contactname=(SELECT name FROM _contacts WHERE "
                                                  "_contacts.id=_loans.contact)"));
            } else if (!marksRemovals(connection)) {
                connection.execute(QStringLiteral("ALTER TABLE _loans ADD COLUMN removed DATETIME"));
            }
            closeHistoryOfGoneTables(connection);
        });
    } catch (const std::exception&) {
        return made; // a history that could not be made or mended: as it was
    }
    return true;
}

void record(const engine::RowChange& change, engine::Connection& connection, const engine::Query& contacts) {
    const engine::Query& items = *change.query;
    const auto field = [&](const std::vector<Value>& row, const char* name) {
        const int f = items.fieldIndex(QString::fromLatin1(name));
        return f >= 0 && size_t(f) < row.size() ? row[size_t(f)] : Value();
    };
    const std::vector<Value>& before = change.before;
    const std::vector<Value>& after = change.after;
    const Value debtorBefore = field(before, "contact"), debtorAfter = field(after, "contact");
    const std::vector<Value>& item = after.empty() ? before : after;

    engine::RowInsert insert(connection, kTable, kColumns, 1);
    const auto write = [&](Event event, const Value& debtor, const std::vector<Value>& state, double dueBefore,
                           double dueAfter) {
        const qint64 contact = integerOf(debtor);
        insert.setReal(0, platform::now());
        insert.setInteger(1, int(event));
        insert.setText(2, items.baseTable());
        insert.setInteger(3, integerOf(field(item, "id")));
        insert.setText(4, std::holds_alternative<QString>(field(item, "title"))
                              ? std::get<QString>(field(item, "title"))
                              : QString());
        insert.setInteger(5, contact);
        insert.setText(6, nameOfContact(contacts, contact));
        const double issue = dayOf(field(state, "issue"));
        for (const auto& [column, day] : {std::pair{7, issue}, {8, dueBefore}, {9, dueAfter}})
            if (std::isnan(day))
                insert.setNull(column);
            else
                insert.setReal(column, day);
        insert.insert();
    };
    const double returnBefore = dayOf(field(before, "return")), returnAfter = dayOf(field(after, "return"));
    const bool lentBefore = !isNull(debtorBefore), lentAfter = !isNull(debtorAfter);
    if (lentBefore && (!lentAfter || integerOf(debtorBefore) != integerOf(debtorAfter)))
        write(change.kind == engine::RowChange::Kind::Delete ? Event::Deleted
              : writingOff && !lentAfter                     ? Event::WrittenOff
                                                             : Event::Returned,
              debtorBefore, before, returnBefore, NAN);
    if (lentAfter && (!lentBefore || integerOf(debtorBefore) != integerOf(debtorAfter)))
        write(Event::Lent, debtorAfter, after, NAN, returnAfter);
    else if (lentAfter && !(returnBefore == returnAfter || (std::isnan(returnBefore) && std::isnan(returnAfter))))
        write(Event::Prolonged, debtorAfter, after, returnBefore, returnAfter);
    insert.finish();
}

void renameTable(engine::Connection& connection, const QString& from, const QString& to) {
    if (!connection.hasTable(kTable))
        return;
    const QString removed = marksRemovals(connection) ? QStringLiteral(" AND removed IS NULL") : QString();
    connection.execute(QStringLiteral("UPDATE _loans SET tablename='%1' WHERE tablename='%2'")
                           .arg(engine::quoted(to), engine::quoted(from))
                       + removed);
}

void closeTable(engine::Connection& connection, const QString& table) {
    if (connection.hasTable(kTable) && marksRemovals(connection))
        closeHistoryOf(connection, table);
}

int Loan::daysLate(double today) const { return platform::daysOverdue(due, end == End::Open ? today : ended); }

QList<Loan> loansOf(const QList<EventRow>& events) {
    QList<Loan> loans;
    // An item's open loan in loans; the items of a removed table are others
    // than those of a later table of the same name.
    using Key = std::tuple<QString, qint64, double>;
    const auto keyOf = [](const EventRow& e) { return Key{e.table, e.item, std::isnan(e.removed) ? -1e300 : e.removed}; };
    std::map<Key, qsizetype> open;
    const auto close = [&](const EventRow& e, Loan::End end) {
        const auto at = open.find(keyOf(e));
        if (at == open.end())
            return;
        loans[at->second].ended = e.at;
        loans[at->second].end = end;
        open.erase(at);
    };
    for (const EventRow& e : events) {
        switch (e.event) {
        case Event::Lent:
            close(e, Loan::End::Returned); // a loan never recorded as ended
            open[keyOf(e)] = loans.size();
            loans << Loan{e.table,  !std::isnan(e.removed), e.item, e.title, e.contact, e.contactName,
                          e.issue, e.dueAfter};
            break;
        case Event::Prolonged:
            if (const auto at = open.find(keyOf(e)); at != open.end())
                loans[at->second].due = e.dueAfter;
            break;
        case Event::Returned: close(e, Loan::End::Returned); break;
        case Event::WrittenOff: close(e, Loan::End::WrittenOff); break;
        case Event::Deleted: close(e, Loan::End::Deleted); break;
        case Event::TableRemoved: close(e, Loan::End::TableRemoved); break;
        }
    }
    return loans;
}

QList<EventRow> itemEvents(engine::Connection& connection, const QString& table, qint64 item) {
    return readEvents(connection, QStringLiteral(" WHERE ") + ofLiveTable(table) + QStringLiteral(" AND item=%1").arg(item));
}

QList<EventRow> contactEvents(engine::Connection& connection, qint64 contact) {
    return readEvents(connection, QStringLiteral(" WHERE contact=%1").arg(contact));
}

QHash<qint64, QList<EventRow>> contactsEvents(engine::Connection& connection, const QList<qint64>& contacts) {
    QHash<qint64, QList<EventRow>> byContact;
    if (contacts.isEmpty())
        return byContact;
    QStringList ids;
    for (const qint64 id : contacts)
        ids << QString::number(id);
    for (const EventRow& e : readEvents(connection, QStringLiteral(" WHERE contact IN (%1)").arg(ids.join(u',')), true))
        byContact[e.contact] << e;
    return byContact;
}

ContactFigures figuresOf(const QList<Loan>& loans, double today) {
    ContactFigures f;
    for (const Loan& l : loans) {
        if (l.end == Loan::End::Open) {
            ++f.held;
            f.overdue += l.daysLate(today) > 0;
        } else if (l.end == Loan::End::Returned) {
            ++f.returned;
            f.late += l.daysLate(today) > 0;
        } else if (l.end == Loan::End::WrittenOff) {
            ++f.writtenOff;
        }
    }
    return f;
}

qint64 lastEvent(engine::Connection& connection) {
    engine::Query q(&connection, QStringLiteral("history"));
    q.addSql(QStringLiteral("SELECT max(id) FROM _loans"));
    q.open();
    return q.recordCount() > 0 ? q.value(0, 0).toLongLong() : 0; // an expression: its value as it comes
}

} // namespace loanhistory
