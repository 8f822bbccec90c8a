// Loan rules: «Правила выдачи...» (menu «Редактирование») sets them for the
// catalogue's tables and contact groups, and every change of an item is
// put to them before it is written.
#include "features/Feature.h"

#include "data/BaseFiles.h"
#include "data/DBMUnit.h"
#include "dialogs/RulesUnit.h"
#include "history/LoanHistory.h"
#include "platform/MessageBox.h"
#include "rules/Enforcement.h"

#include <QAction>
#include <QMenu>

namespace {

class RulesFeature : public Feature {
public:
    void install(MainWindowParts& main) override {
        new TfmRules(main.mainWindow()); // fmRules, the main window's to keep
        QAction* rules = makeCommand(main, "iRules", QStringLiteral("Правила выдачи..."));
        insertAfter(main.menu(QStringLiteral("mEdit")), "iDesk", rules);
        main.addCatalogueCommand(rules, Writes::Yes);
        platform::connectHandler(rules, &QAction::triggered, rules, [] { fmRules->Execute(ReadItemTableNames()); });
        rules::enforce(
            *DM, fmRules,
            [](const QString& table, qint64 item) {
                return loanhistory::prolongationsOf(*DM->ADOConnection, table, item);
            },
            [](const QString& question) {
                return platform::messageBox(question, QStringLiteral("Правила выдачи"), platform::Buttons::YesNo,
                                            platform::Icon::Warning)
                       == platform::Answer::Yes;
            });
    }
};

} // namespace

std::unique_ptr<Feature> makeRulesFeature() { return std::make_unique<RulesFeature>(); }
