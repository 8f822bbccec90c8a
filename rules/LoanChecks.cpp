#include "rules/LoanChecks.h"

#include "data/CatalogueShape.h"
#include "data/Statements.h"
#include "platform/NameForms.h"
#include "platform/Plural.h"
#include "platform/Today.h"
#include "rules/RowValues.h"

namespace rules {

namespace {

const platform::NounForms kThings{"вещь", "вещи", "вещей"};
const platform::NounForms kTimes{"раз", "раза", "раз"};
// «из 1 разрешённой», «из 5 разрешённых»: the word agrees with the limit.
const platform::NounForms kAllowedThings{"разрешённой", "разрешённых", "разрешённых"};
const platform::NounForms kAllowedTimes{"разрешённого", "разрешённых", "разрешённых"};

// A limit's verdict: refused when the rule says so, else asked.
Verdict breach(const loanrules::Resolved& rule, const QString& what, const QString& question) {
    if (rule.breach == loanrules::Breach::Refuse)
        return {Verdict::Kind::Refuse, what};
    return {Verdict::Kind::Ask, what + u' ' + question};
}

} // namespace

Step stepOf(const engine::RowChange& change) {
    Step step;
    if (change.kind == engine::RowChange::Kind::Delete)
        return step;
    using namespace shape::column;
    const qint64 before = integerOf(valueIn(change, change.before, kContact));
    const qint64 after = integerOf(valueIn(change, change.after, kContact));
    step.table = change.query->baseTable();
    step.item = integerOf(valueIn(change, change.before.empty() ? change.after : change.before, kId));
    step.contact = after;
    if (const auto title = valueIn(change, change.after, kTitle); std::holds_alternative<QString>(title))
        step.title = std::get<QString>(title);
    if (after < 0)
        return step;
    if (after != before)
        step.kind = Step::Kind::Lend;
    else if (dayOf(valueIn(change, change.after, kDue)) > dayOf(valueIn(change, change.before, kDue)))
        step.kind = Step::Kind::Prolong;
    return step;
}

Verdict onLend(const loanrules::Resolved& rule, const QString& name, const Holding& holding, const QString& table) {
    const QString question = QStringLiteral("Всё равно выдать?");
    const QString whose = platform::genitiveShortName(name);
    if (rule.most && holding.count >= *rule.most)
        return breach(
            rule,
            QStringLiteral("У %1 уже %2 из %3%4.")
                .arg(whose, platform::countOf(holding.count, kThings), platform::countOf(*rule.most, kAllowedThings))
                .arg(rule.scope == loanrules::Scope::ThisTable ? QStringLiteral(" в таблице «%1»").arg(table)
                                                               : QString()),
            question);
    if (rule.breach && !holding.overdue.isEmpty())
        return breach(
            rule,
            QStringLiteral("У %1 есть просроченные вещи: %2.").arg(whose, platform::firstFewAndMore(holding.overdue)),
            question);
    return {};
}

Verdict onProlong(const loanrules::Resolved& rule, const QString& title, int prolongations) {
    if (!rule.prolongations || prolongations < *rule.prolongations)
        return {};
    const QString what = *rule.prolongations == 0 ? QStringLiteral("«%1» продлевать не разрешено.").arg(title)
                                                  : QStringLiteral("«%1» уже продлевали %2 из %3.")
                                                        .arg(title, platform::countOf(prolongations, kTimes),
                                                             platform::countOf(*rule.prolongations, kAllowedTimes));
    return breach(rule, what, QStringLiteral("Всё равно продлить?"));
}

} // namespace rules
