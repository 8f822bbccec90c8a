#include "rules/Enforcement.h"

#include "data/DBMUnit.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"
#include "rules/Holdings.h"
#include "rules/LoanChecks.h"

namespace rules {

namespace {

// What the rules say of a change of an item, before it is written.
Verdict verdictOn(TDM& dm, const engine::RowChange& change, Holdings& holdings,
                  const ProlongationCount& prolongations) {
    engine::Connection& c = *dm.ADOConnection;
    const Step step = stepOf(change);
    if (step.kind == Step::Kind::None || !loanrules::kept(c))
        return {};
    const loanrules::Resolved rule =
        loanrules::resolve(loanrules::read(c), step.table, loanrules::groupOf(dm.Contacts->groupOf(step.contact)));
    if (step.kind == Step::Kind::Prolong)
        return onProlong(rule, step.title, rule.prolongations ? prolongations(step.table, step.item) : 0);
    if (!rule.most && !rule.breach)
        return {};
    const QString onlyTable = rule.scope == loanrules::Scope::ThisTable ? step.table : QString();
    return onLend(rule, dm.Contacts->nameOf(step.contact), holdings.of(step.contact, onlyTable, platform::today()),
                  step.table);
}

} // namespace

void enforce(TDM& dm, QObject* owner, ProlongationCount prolongations, Question ask) {
    auto* holdings = new Holdings(dm, owner);
    dm.AddItemGuard(holdings, [&dm, holdings, prolongations, ask](const engine::RowChange& change) {
        const Verdict verdict = verdictOn(dm, change, *holdings, prolongations);
        if (verdict.kind == Verdict::Kind::Refuse)
            throw Refused(verdict.message);
        if (verdict.kind == Verdict::Kind::Ask && !ask(verdict.message))
            throw platform::Declined{};
    });
}

} // namespace rules
