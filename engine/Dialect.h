#pragma once
// Rewrites statements written in the windows' SQL dialect into SQLite's:
// COUNTER keys, enforced VARCHAR lengths, DATETIME as REAL day numbers, table
// names matched without regard to case in every alphabet, one statement only.
#include <QString>
#include <functional>

namespace engine {

struct RewrittenStatement {
    QString sql;        // what SQLite runs
    QString firstTable; // stored name of the first table after FROM (or the target of INSERT/UPDATE/DELETE)
    bool changesSchema = false;
};

// Returns the stored name of a table or view matching name without regard
// to case, or an empty string when there is none.
using TableResolver = std::function<QString(const QString& name)>;

// Throws EngineError for a second statement or a CREATE TABLE whose name
// differs from an existing one only in case.
RewrittenStatement rewriteStatement(const QString& statement, const TableResolver& resolve);

// Parses the constraint names the rewrite gives to length checks.
bool parseLengthConstraint(const QString& constraintName, QString* column, int* size);

// Doubles quote marks so text can stand inside '…' in a statement.
QString quoted(const QString& text);
// A name in double quotes, its own double quotes doubled.
QString quotedIdentifier(const QString& name);

} // namespace engine
