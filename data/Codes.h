#pragma once
// Codes on items and contacts (an inventory number, the ISBN or EAN printed
// on an item, a library card's number), one each and unique in the
// catalogue, kept in the program's own table _codes: code, the item's table
// (_contacts for a contact) and its id.
#include "engine/Connection.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace codes {

// A code as it is kept and compared: surrounding blanks removed, letters in
// one case, an ISBN-10 as its ISBN-13. Empty, with *refusal saying why,
// for an empty code, an ISBN-10 or a 13-digit code whose check digit is
// wrong.
QString normalized(const QString& typed, QString* refusal = nullptr);

// Whose a code is: an item of a table, or a contact (table _contacts).
struct Holder {
    QString table;
    qint64 id = -1;
    friend bool operator==(const Holder&, const Holder&) = default;
};

// The catalogue's codes, made when first needed; an older catalogue has none.
bool kept(engine::Connection& connection);
void ensureTable(engine::Connection& connection);

std::optional<Holder> holderOf(engine::Connection& connection, const QString& code);
// The holder's code, empty when it has none.
QString codeOf(engine::Connection& connection, const Holder& holder);
// The holder's code becomes code (normalized), in place of the one it had;
// an empty code removes it. Throws engine::EngineError with the reason when
// code is refused or another holder has it.
void assign(engine::Connection& connection, const Holder& holder, const QString& code);

// Each of items (ids of table) without a code gets the next own number,
// eight digits from 00000001, never one given before in this catalogue,
// all in one transaction. How many were given.
int giveNumbers(engine::Connection& connection, const QString& table, const QList<qint64>& items);

// The codes of table's items (of the contacts under _contacts) by id, and
// whether each was printed on a label before.
struct Kept {
    QString code;
    bool printed = false;
};
QHash<qint64, Kept> codesOf(engine::Connection& connection, const QString& table);
// codes count as printed from now on, in one transaction; a code given
// afresh later is new again.
void markPrinted(engine::Connection& connection, const QStringList& codes);

// What the data module does within a change's own transaction.
void forget(engine::Connection& connection, const Holder& holder);
void tableRenamed(engine::Connection& connection, const QString& from, const QString& to);
void tableRemoved(engine::Connection& connection, const QString& table);

} // namespace codes
