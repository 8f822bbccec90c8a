#pragma once
// The lending desk's work, without its window: what a scanned code names,
// and lending, returning and undoing, each one change of the item through
// the data module (so the loan history and the codes follow, in the
// change's own transaction), whichever table the item is in.
#include "data/Codes.h"

#include <QList>
#include <QString>
#include <QTime>

#include <limits>

class TDM;

namespace desk {

// The desk's settings: the loan period, and the characters a scanner puts
// before or after a code, taken off both ends.
struct Settings {
    int loanDays = 14;
    QString strip;
};
Settings readSettings();
bool writeSettings(const Settings& settings);

// What a code names.
struct Scanned {
    enum class Kind { Refused, Unknown, OnHand, Lent, Contact };
    Kind kind = Kind::Unknown;
    QString code;    // as kept
    QString refusal; // Refused: why
    codes::Holder holder;
    QString title, itemKind;
    qint64 debtor = -1; // Lent: who has it; Contact: the contact
    QString name;       // Lent: the debtor's name; Contact: the contact's
};
QString stripped(const QString& typed, const QString& strip);
Scanned scan(TDM& dm, const QString& typed, const Settings& settings);

// One action at the desk, with what it changed, to be undone.
struct Action {
    enum class Kind { Lent, Returned };
    Kind kind = Kind::Lent;
    QTime at;
    codes::Holder item;
    QString title;
    QString person;
    double due = std::numeric_limits<double>::quiet_NaN(); // Lent: the due date
    int daysLate = 0;                                      // Returned: days past the due date
    // The loan before the action: debtor, issue and due date (null: none).
    QVariant debtorBefore, issueBefore, dueBefore;
};
Action lend(TDM& dm, const codes::Holder& item, qint64 contact, double today, int loanDays);
Action giveBack(TDM& dm, const codes::Holder& item, double today);
// The item's loan put back as it was before action.
void undo(TDM& dm, const Action& action);

// What a contact has now, from every table: "title (table)".
QStringList itemsHeldBy(TDM& dm, qint64 contact);

} // namespace desk
