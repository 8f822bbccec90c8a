#pragma once
// What the loan rules say of a change of an item: a new loan past the most
// items its person may hold, or to a person with an overdue item; a
// prolongation past the most prolongations of a loan. Whether to go on, to
// ask or to refuse, and the words.
#include "data/LoanRules.h"
#include "engine/EngineError.h"
#include "engine/Query.h"

#include <QString>
#include <QStringList>

namespace rules {

// The loan a change starts or prolongs.
struct Step {
    enum class Kind { None, Lend, Prolong };
    Kind kind = Kind::None;
    QString table;
    qint64 item = -1;
    qint64 contact = -1;
    QString title;
};
Step stepOf(const engine::RowChange& change);

// What the person has now: how many items, and those overdue, as
// "«title» (table)".
struct Holding {
    int count = 0;
    QStringList overdue;
};

struct Verdict {
    enum class Kind { Fine, Ask, Refuse };
    Kind kind = Kind::Fine;
    QString message; // the question or the refusal
};
// A lend to name holding holding under rule (of table); a limit without a
// word for its breach is asked about.
Verdict onLend(const loanrules::Resolved& rule, const QString& name, const Holding& holding, const QString& table);
Verdict onProlong(const loanrules::Resolved& rule, const QString& title, int prolongations);

// A change a rule refuses, with the rule's words.
class Refused : public engine::EngineError {
public:
    using engine::EngineError::EngineError;
};

} // namespace rules
