#include "history/LoanHistory.h"

#include "data/Statements.h"
#include "engine/RowInsert.h"
#include "platform/Files.h"
#include "platform/Today.h"

#include <QFileInfo>
#include <QSet>

#include <map>
#include <tuple>

namespace loanhistory {

namespace {

using shape::kLoansTable;
using shape::Loan;
using Value = engine::Query::Value;

// The columns an event is written to: all but the rowid and the removal.
QStringList eventColumns() {
    QStringList columns;
    for (const sql::Column& c : shape::loanColumns())
        if (c.name != u"id" && c.name != u"removed")
            columns << c.name;
    return columns;
}

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

double dayValue(const QVariant& v) { return v.isValid() ? v.toDouble() : NAN; }

// Whether _loans has the column a table's removal marks (older files lack it).
bool marksRemovals(engine::Connection& connection) {
    return connection.columnsOf(kLoansTable).contains(QStringLiteral("removed"), Qt::CaseInsensitive);
}

// The events the condition picks, in the order they happened; brief leaves
// out what only the lists show (titles, names, issue dates).
QList<EventRow> readEvents(engine::Connection& connection, const QString& condition, bool brief = false) {
    const QString removed = marksRemovals(connection) ? sql::name("removed") : sql::null();
    const auto column = [&](const char* name, bool listed = false) {
        return brief && listed ? sql::null() : sql::name(QString::fromLatin1(name));
    };
    engine::Query q(&connection, QStringLiteral("history"));
    q.addSql(sql::Select({column("event"), column("at"), column("tablename"), column("item"), column("title", true),
                          column("contact"), column("contactname", true), column("issue", true), column("duebefore"),
                          column("dueafter"), removed})
                 .from(kLoansTable)
                 .where(QString(condition).replace(QStringLiteral("%removed"), removed))
                 .orderBy(QStringLiteral("id"))
                 .text());
    q.open();
    QList<EventRow> events;
    events.reserve(q.recordCount());
    for (int r = 0; r < q.recordCount(); ++r)
        events << EventRow{Event(q.integerValue(r, 0)), dayValue(q.value(r, 1)),
                           Loan{.table = q.textValue(r, 2),
                                .item = q.integerValue(r, 3),
                                .title = q.textValue(r, 4),
                                .contact = q.integerValue(r, 5),
                                .debtor = q.textValue(r, 6),
                                .issued = dayValue(q.value(r, 7)),
                                .due = dayValue(q.value(r, 8))},
                           dayValue(q.value(r, 9)), dayValue(q.value(r, 10))};
    return events;
}

// The events of the table that exists now; %removed stands for the column
// where the file has it.
QString ofLiveTable(const QString& table) {
    return sql::both(sql::equals(QStringLiteral("tablename"), sql::text(table)), QStringLiteral("%removed IS NULL"));
}

// The loans standing in table, as its rows say, remembered from their
// issue date on; a table without a debtor column has none.
void seedTable(engine::Connection& connection, const QString& table, double at) {
    const QStringList columns = connection.columnsOf(table);
    const auto column = [&](const char* name) {
        return columns.contains(QLatin1String(name), Qt::CaseInsensitive) ? sql::name(QString::fromLatin1(name))
                                                                          : sql::null();
    };
    if (column("contact") == sql::null() || column("id") == sql::null())
        return;
    connection.execute(
        sql::insertFrom(kLoansTable, {"at", "event", "tablename", "item", "title", "contact", "issue", "dueafter"},
                        sql::Select({sql::coalesce({column("issue"), sql::number(at)}),
                                     sql::number(qint64(Event::Lent)), sql::text(table), column("id"), column("title"),
                                     column("contact"), column("issue"), column("return")})
                            .from(table)
                            .where(sql::isNotNull(QStringLiteral("contact")))));
}

// An event of a loan as it stands: its item, debtor and dates; dueAfter
// the due date the event leaves.
void insertEvent(engine::RowInsert& insert, double at, Event event, const Loan& loan, double dueAfter) {
    insert.setReal(0, at);
    insert.setInteger(1, int(event));
    insert.setText(2, loan.table);
    insert.setInteger(3, loan.item);
    insert.setText(4, loan.title);
    insert.setInteger(5, loan.contact);
    insert.setText(6, loan.debtor);
    insert.setDay(7, loan.issued);
    insert.setDay(8, loan.due);
    insert.setDay(9, dueAfter);
    insert.insert();
}

// Ends the open loans of table's live history with a "table removed"
// event and marks that history closed.
void closeHistoryOf(engine::Connection& connection, const QString& table) {
    const double now = platform::now();
    engine::RowInsert insert(connection, kLoansTable, eventColumns(), 1);
    for (const Loan& loan : loansOf(readEvents(connection, ofLiveTable(table)))) {
        if (loan.end != Loan::End::Open)
            continue;
        insertEvent(insert, now, Event::TableRemoved, loan, NAN);
    }
    insert.finish();
    connection.execute(
        sql::update(kLoansTable, {{QStringLiteral("removed"), sql::number(now)}},
                    QString(ofLiveTable(table)).replace(QStringLiteral("%removed"), sql::name("removed"))));
}

// The history of tables that are gone (removed by another program, or
// before removals were marked) is closed, so no later table takes it on.
void closeHistoryOfGoneTables(engine::Connection& connection) {
    engine::Query q(&connection, QStringLiteral("history"));
    q.addSql(sql::Select({sql::name("tablename")})
                 .distinct()
                 .from(kLoansTable)
                 .where(sql::isNull(QStringLiteral("removed")))
                 .text());
    q.open();
    for (int r = 0; r < q.recordCount(); ++r)
        if (!connection.hasTable(q.textValue(r, 0)))
            closeHistoryOf(connection, q.textValue(r, 0));
}

// Each event's debtor's name, copied in from the contacts.
QString namesFromContacts() {
    const QString sameContact = sql::name(shape::kContactsTable) + u'.' + sql::name("id") + u'='
                                + sql::name(kLoansTable) + u'.' + sql::name("contact");
    return u'(' + sql::Select({sql::name("name")}).from(shape::kContactsTable).where(sameContact).text() + u')';
}

// The event a change that ends a loan writes.
Event endOf(const engine::RowChange& change, bool lentAfter) {
    if (change.kind == engine::RowChange::Kind::Delete)
        return Event::Deleted;
    return change.reason == shape::WrittenOff && !lentAfter ? Event::WrittenOff : Event::Returned;
}

} // namespace

LoanRecorder::LoanRecorder(engine::Connection& connection)
    : m_insert(std::make_unique<engine::RowInsert>(connection, kLoansTable, eventColumns())) {}

LoanRecorder::~LoanRecorder() = default;

void LoanRecorder::add(const Loan& loan) {
    const bool returned = loan.end == Loan::End::Returned;
    const double lent = !std::isnan(loan.issued) ? loan.issued : returned ? loan.ended : platform::now();
    Loan lending = loan;
    lending.due = NAN;
    insertEvent(*m_insert, lent, Event::Lent, lending, loan.due);
    if (returned)
        insertEvent(*m_insert, loan.ended, Event::Returned, loan, NAN);
}

void LoanRecorder::finish() { m_insert->finish(); }

void createTable(engine::Connection& connection) {
    // No index: each one is another page every post must journal and sync,
    // and the history is read far less often than it is written.
    connection.execute(sql::createTable(kLoansTable, shape::loanColumns()));
}

bool ensureTable(engine::Connection& connection) {
    const bool made = connection.hasTable(kLoansTable);
    // A file nobody may write keeps no history, and says nothing of it.
    const QString file = QFileInfo(connection.dataSource()).absoluteFilePath();
    if (!platform::mayWrite(file) || !platform::mayWrite(QFileInfo(file).absolutePath()))
        return made;
    try {
        QStringList items = connection.tableNames();
        items.removeIf(shape::isProgramTable);
        connection.inOneTransaction([&] {
            if (!made) {
                createTable(connection);
                for (const QString& table : std::as_const(items))
                    if (!connection.isView(connection.resolveTable(table)))
                        seedTable(connection, table, platform::now());
                connection.execute(
                    sql::update(kLoansTable, {{QStringLiteral("contactname"), namesFromContacts()}}, QString()));
            } else if (!marksRemovals(connection)) {
                connection.execute(
                    sql::addColumn(kLoansTable, {QStringLiteral("removed"), QStringLiteral("DATETIME")}));
            }
            closeHistoryOfGoneTables(connection);
        });
    } catch (const std::exception&) {
        return made; // a history that could not be made or mended: as it was
    }
    return true;
}

void record(const engine::RowChange& change, engine::Connection& connection, const shape::ContactDirectory& contacts) {
    const engine::Query& items = *change.query;
    const auto field = [&](const std::vector<Value>& row, const char* name) {
        const int f = items.fieldIndex(QString::fromLatin1(name));
        return f >= 0 && size_t(f) < row.size() ? row[size_t(f)] : Value();
    };
    const std::vector<Value>& before = change.before;
    const std::vector<Value>& after = change.after;
    const Value debtorBefore = field(before, "contact"), debtorAfter = field(after, "contact");
    const std::vector<Value>& item = after.empty() ? before : after;

    engine::RowInsert insert(connection, kLoansTable, eventColumns(), 1);
    const auto write = [&](Event event, const Value& debtor, const std::vector<Value>& state, double dueBefore,
                           double dueAfter) {
        const qint64 contact = integerOf(debtor);
        const Value title = field(item, "title");
        const Loan loan{.table = items.baseTable(),
                        .item = integerOf(field(item, "id")),
                        .title = std::holds_alternative<QString>(title) ? std::get<QString>(title) : QString(),
                        .contact = contact,
                        .debtor = contacts.nameOf(contact),
                        .issued = dayOf(field(state, "issue")),
                        .due = dueBefore};
        insertEvent(insert, platform::now(), event, loan, dueAfter);
    };
    const double returnBefore = dayOf(field(before, "return")), returnAfter = dayOf(field(after, "return"));
    const bool lentBefore = !isNull(debtorBefore), lentAfter = !isNull(debtorAfter);
    const bool otherDebtor = integerOf(debtorBefore) != integerOf(debtorAfter);
    if (lentBefore && (!lentAfter || otherDebtor))
        write(endOf(change, lentAfter), debtorBefore, before, returnBefore, NAN);
    if (lentAfter && (!lentBefore || otherDebtor))
        write(Event::Lent, debtorAfter, after, NAN, returnAfter);
    else if (lentAfter && !(returnBefore == returnAfter || (std::isnan(returnBefore) && std::isnan(returnAfter))))
        write(Event::Prolonged, debtorAfter, after, returnBefore, returnAfter);
    insert.finish();
}

void renameTable(engine::Connection& connection, const QString& from, const QString& to) {
    if (!connection.hasTable(kLoansTable))
        return;
    const QString named = sql::equals(QStringLiteral("tablename"), sql::text(from));
    connection.execute(
        sql::update(kLoansTable, {{QStringLiteral("tablename"), sql::text(to)}},
                    marksRemovals(connection) ? sql::both(named, sql::isNull(QStringLiteral("removed"))) : named));
}

void closeTable(engine::Connection& connection, const QString& table) {
    if (connection.hasTable(kLoansTable) && marksRemovals(connection))
        closeHistoryOf(connection, table);
}

QList<Loan> loansOf(const QList<EventRow>& events) {
    QList<Loan> loans;
    // An item's open loan in loans; the items of a removed table are others
    // than those of a later table of the same name.
    using Key = std::tuple<QString, qint64, double>;
    const auto keyOf = [](const EventRow& e) {
        return Key{e.loan.table, e.loan.item, std::isnan(e.removed) ? -1e300 : e.removed};
    };
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
            loans << e.loan;
            loans.last().tableRemoved = !std::isnan(e.removed);
            loans.last().due = e.dueAfter;
            break;
        case Event::Prolonged:
            if (const auto at = open.find(keyOf(e)); at != open.end())
                loans[at->second].due = e.dueAfter;
            break;
        case Event::Returned: close(e, Loan::End::Returned); break;
        case Event::WrittenOff: close(e, Loan::End::WrittenOff); break;
        case Event::Deleted: close(e, Loan::End::Deleted); break;
        case Event::TableRemoved: close(e, Loan::End::TableRemoved); break;
        case Event::Reminded:
            if (const auto at = open.find(keyOf(e)); at != open.end()) {
                loans[at->second].reminded = e.at;
                ++loans[at->second].reminders;
            }
            break;
        }
    }
    return loans;
}

QList<EventRow> itemEvents(engine::Connection& connection, const QString& table, qint64 item) {
    return readEvents(connection,
                      sql::both(ofLiveTable(table), sql::equals(QStringLiteral("item"), sql::number(item))));
}

int prolongationsOf(engine::Connection& connection, const QString& table, qint64 item) {
    if (!connection.hasTable(shape::kLoansTable))
        return 0;
    int prolonged = 0;
    for (const EventRow& e : itemEvents(connection, table, item))
        prolonged = e.event == Event::Lent ? 0 : prolonged + (e.event == Event::Prolonged);
    return prolonged;
}

QList<EventRow> contactEvents(engine::Connection& connection, qint64 contact) {
    return readEvents(connection, sql::equals(QStringLiteral("contact"), sql::number(contact)));
}

QHash<qint64, QList<EventRow>> contactsEvents(engine::Connection& connection, const QList<qint64>& contacts) {
    QHash<qint64, QList<EventRow>> byContact;
    if (contacts.isEmpty())
        return byContact;
    QStringList ids;
    for (const qint64 id : contacts)
        ids << sql::number(id);
    for (const EventRow& e : readEvents(connection, sql::in(QStringLiteral("contact"), ids), true))
        byContact[e.loan.contact] << e;
    return byContact;
}

void addReminders(engine::Connection& connection, QList<Loan>& loans) {
    if (!connection.hasTable(kLoansTable))
        return;
    QSet<qint64> contacts;
    for (const Loan& l : loans)
        contacts.insert(l.contact);
    // The loans standing by the history, by table and item.
    QHash<QPair<QString, qint64>, Loan> standing;
    for (const QList<EventRow>& events : contactsEvents(connection, contacts.values()))
        for (const Loan& h : loansOf(events))
            if (h.end == Loan::End::Open && !h.tableRemoved)
                standing.insert({h.table, h.item}, h);
    for (Loan& l : loans) {
        const auto at = standing.constFind({l.table, l.item});
        if (at != standing.constEnd() && at->contact == l.contact) {
            l.reminders = at->reminders;
            l.reminded = at->reminded;
        }
    }
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
        if (l.end == Loan::End::Open)
            f.reminders += l.reminders;
        if (!std::isnan(l.reminded) && !(l.reminded <= f.lastReminded))
            f.lastReminded = l.reminded;
    }
    return f;
}

void recordReminder(engine::Connection& connection, const QList<Loan>& loans) {
    const double now = platform::now();
    connection.inOneTransaction([&] {
        engine::RowInsert insert(connection, kLoansTable, eventColumns(), 1);
        for (const Loan& loan : loans)
            insertEvent(insert, now, Event::Reminded, loan, loan.due);
        insert.finish();
    });
}

qint64 lastEvent(engine::Connection& connection) {
    engine::Query q(&connection, QStringLiteral("history"));
    q.addSql(sql::Select({sql::maximum(QStringLiteral("id"))}).from(kLoansTable).text());
    q.open();
    return q.recordCount() > 0 ? q.value(0, 0).toLongLong() : 0; // an expression: its value as it comes
}

} // namespace loanhistory
