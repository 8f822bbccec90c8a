#pragma once
// Loan rules, kept in the program's own table _rules: for an item table (or
// every table) and a contact group (or every group), the loan period, the
// most items one person of the group may hold, the most prolongations of
// one loan, and what a breach does. An older catalogue has none and gets
// none until a rule is set.
#include "engine/Connection.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

namespace loanrules {

// The contact groups as rules name them (the contacts' reliability: Null
// general, 0 trusted, 1 black list), and every group.
enum Group { Every = -1, General = 0, Trusted = 1, BlackList = 2 };
Group groupOf(const QVariant& reliability);
QString groupName(Group group);
QList<Group> groups(); // Every first

// «Все таблицы»: the rule of every table, kept under an empty name.
QString tableName(const QString& table);

enum class Breach { Warn = 0, Refuse = 1 };
// Where the items one may hold are counted.
enum class Scope { AllTables = 0, ThisTable = 1 };

struct Rule {
    QString table; // empty: every table
    Group group = Every;
    std::optional<int> days;
    std::optional<int> most;
    Scope scope = Scope::AllTables; // of most
    std::optional<int> prolongations;
    std::optional<Breach> breach;
    bool empty() const { return !days && !most && !prolongations && !breach; }
    friend bool operator==(const Rule&, const Rule&) = default;
};

// What holds for an item of a table lent to a person of a group: each value
// from the most specific rule that has it (table and group, then table,
// then group, then every table); none where no rule says.
struct Resolved {
    std::optional<int> days;
    std::optional<int> most;
    Scope scope = Scope::AllTables;
    std::optional<int> prolongations;
    std::optional<Breach> breach;
    bool any() const { return days || most || prolongations || breach; }
};
Resolved resolve(const QList<Rule>& rules, const QString& table, Group group);

// The loan period for an item of table lent to a contact of reliability
// (as the contacts keep it), none without a rule.
std::optional<int> periodFor(engine::Connection& connection, const QString& table, const QVariant& reliability);

// «Книги, Доверенные: 30 дней, до 10 вещей, продлевать до 2 раз».
QString describe(const QString& table, Group group, const Resolved& resolved);

bool kept(engine::Connection& connection);
QList<Rule> read(engine::Connection& connection);
// rules (the empty ones left out) in place of those kept, in one
// transaction (the caller's when one is open); the table is made only when
// there is a rule to keep.
void write(engine::Connection& connection, const QList<Rule>& rules);

// What the data module does within a change's own transaction.
void tableRenamed(engine::Connection& connection, const QString& from, const QString& to);
void tableRemoved(engine::Connection& connection, const QString& table);

} // namespace loanrules
