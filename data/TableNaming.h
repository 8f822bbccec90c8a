#pragma once
// What an item table may be called: the table manager's rules, and a name
// made to follow them for tables that come from elsewhere (an Access file).
#include <QString>
#include <QStringList>

namespace tablenaming {

// Letters A-z and А-я, digits and "_" only.
bool charactersAllowed(const QString& name);

// A name made from wanted that the table manager would accept and every
// statement can carry bare: other characters become their base letter
// (Ё, é) or "_", no leading "_", no leading digit, no word SQL reserves;
// unique among taken (case ignored), with "_2", "_3"... when it is not.
QString acceptableName(const QString& wanted, const QStringList& taken);

} // namespace tablenaming
