// The loan history: kept for every catalogue opened that may be written,
// and the current item's loans (Ctrl+H, the toolbar, the menu
// «Редактирование», the grid's pop-up menu).
#include "features/Feature.h"

#include "data/DBMUnit.h"
#include "dialogs/HistoryUnit.h"
#include "history/HistoryKeeper.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>

namespace {

class HistoryFeature : public Feature {
public:
    void install(MainWindowParts& main) override {
        m_keeper = std::make_unique<loanhistory::Keeper>(*DM);
        new TfmHistory(main.mainWindow()); // fmHistory, the main window's to keep
        QAction* menuCommand = makeCommand(main, "iHistory", QStringLiteral("История выдачи"), QStringLiteral("Ctrl+H"),
                                           QStringLiteral(":/images/history.png"));
        QAction* toolCommand = makeCommand(main, "tbHistory", QStringLiteral("История выдачи"), QString(),
                                           QStringLiteral(":/images/history.png"));
        toolCommand->setToolTip(QStringLiteral("История выдачи(Ctrl+H)"));
        main.menu(QStringLiteral("mEdit"))->addAction(menuCommand);
        main.toolBar()->addAction(toolCommand);
        main.gridMenu()->addSeparator();
        main.gridMenu()->addAction(menuCommand);
        for (QAction* command : {menuCommand, toolCommand}) {
            main.addCatalogueCommand(command);
            platform::connectHandler(command, &QAction::triggered, command, [] { ShowCurrentItem(); });
        }
        main.addStep(Stage::Opened, [this, menuCommand, toolCommand] {
            const bool kept = m_keeper->catalogueOpened();
            menuCommand->setEnabled(kept);
            toolCommand->setEnabled(kept);
        });
    }

private:
    static void ShowCurrentItem() {
        engine::Query* items = DM->aqMain;
        if (!loanhistory::kept() || !items->isOpen() || items->currentRow() < 0)
            return;
        fmHistory->ShowItem(items->baseTable(), items->fieldByName(QStringLiteral("id")).asInteger(),
                            items->fieldByName(QStringLiteral("title")).asString());
    }

    std::unique_ptr<loanhistory::Keeper> m_keeper;
};

} // namespace

std::unique_ptr<Feature> makeHistoryFeature() { return std::make_unique<HistoryFeature>(); }
