#pragma once
// The loan history: the table _loans, one row per event of a loan (lent,
// prolonged, returned, written off, deleted while lent, its table removed),
// written in the same transaction as the change it records; and what is
// read back from it: an item's or a contact's loans, and each contact's
// figures.
#include "data/CatalogueShape.h"
#include "data/Loan.h"
#include "engine/Connection.h"
#include "engine/Query.h"

#include <QHash>
#include <QList>
#include <QString>

#include <cmath>
#include <memory>

namespace engine {
class RowInsert;
}

namespace loanhistory {

enum class Event { Lent = 1, Prolonged = 2, Returned = 3, WrittenOff = 4, Deleted = 5, TableRemoved = 6, Reminded = 7 };

// Makes an empty _loans in the open file, in the caller's transaction.
void createTable(engine::Connection& connection);

// Makes _loans in the open file when it lacks it, with an event for every
// loan already standing (in the tables that have loan columns), and brings
// an older _loans up to date. The history of a table that is gone is closed.
// False when the file keeps no history (it cannot be written); nothing is
// said then.
bool ensureTable(engine::Connection& connection);

// The events one change of an item (a row of an item query) makes, written
// into _loans; contacts gives the debtors' names. The change's reason says
// how a loan it ends ended.
void record(const engine::RowChange& change, engine::Connection& connection, const shape::ContactDirectory& contacts);

// A reminder given to a debtor (copied, printed, saved): a «напомнено» event
// for each loan it names, all in one transaction.
void recordReminder(engine::Connection& connection, const QList<shape::Loan>& loans);

// The history follows a renamed item table.
void renameTable(engine::Connection& connection, const QString& from, const QString& to);
// Before an item table is removed, in the removal's transaction: its open
// loans end ("table removed"), and its history is closed, so that a later
// table of the same name starts with none.
void closeTable(engine::Connection& connection, const QString& table);

// An event of a loan: the loan as it stood before it (its due date then),
// and the due date it leaves.
struct EventRow {
    Event event;
    double at = NAN;
    shape::Loan loan;
    double dueAfter = NAN;
    double removed = NAN; // when the item's table was removed
};

// Loans brought in from elsewhere, in the import's own transaction: each a
// «выдано» event at its issue date (else its end, else now), and one that
// ended (shape::Loan::End::Returned, at ended) a «возвращено» event after it.
class LoanRecorder {
public:
    explicit LoanRecorder(engine::Connection& connection);
    ~LoanRecorder();
    void add(const shape::Loan& loan);
    void finish();

private:
    std::unique_ptr<engine::RowInsert> m_insert;
};

// Events in the order they happened, folded into loans: who had what, from
// when, until when and how it ended.
QList<shape::Loan> loansOf(const QList<EventRow>& events);

// The events of one item, or of one contact.
QList<EventRow> itemEvents(engine::Connection& connection, const QString& table, qint64 item);
// How many times the item's loan standing now was prolonged («продлено»
// events since it was lent); 0 when the file keeps no history.
int prolongationsOf(engine::Connection& connection, const QString& table, qint64 item);
QList<EventRow> contactEvents(engine::Connection& connection, qint64 contact);
// The events of several contacts, by contact, from one statement.
QHash<qint64, QList<EventRow>> contactsEvents(engine::Connection& connection, const QList<qint64>& contacts);

// Each standing loan of loans (current loans of live tables) gets the
// reminders it has had since it was lent and the last one's time; nothing
// changes when the file keeps no history.
void addReminders(engine::Connection& connection, QList<shape::Loan>& loans);

struct ContactFigures {
    int held = 0, overdue = 0, returned = 0, late = 0, writtenOff = 0;
    int reminders = 0;         // of the loans on hand
    double lastReminded = NAN; // the contact's last reminder, NaN when never
    // A contact worth the black list: two write-offs, or three late returns.
    bool doubtful() const { return writtenOff >= 2 || late >= 3; }
};
ContactFigures figuresOf(const QList<shape::Loan>& loans, double today);
// The id of the last event recorded, 0 before the first: figures worked
// out since stay right while it is the same (and so is today).
qint64 lastEvent(engine::Connection& connection);

} // namespace loanhistory
