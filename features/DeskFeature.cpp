// The lending desk, «Выдача и возврат» (F9, menu «Редактирование»): live
// while a catalogue is shown, off while it is only read.
#include "features/Feature.h"

#include "data/DBMUnit.h"
#include "dialogs/DeskUnit.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QMenu>

namespace {

// A new item of the shown table through the main window's own command and
// the item editor: its id (the record stays current once posted), -1 when
// none was saved.
qint64 NewItem(MainWindowParts& main) {
    engine::Query* items = DM->aqMain;
    const int count = items->recordCount();
    main.mainWindow()->findChild<QAction*>(QStringLiteral("iAddRec"))->trigger();
    if (items->recordCount() != count + 1 || items->currentRow() < 0)
        return -1;
    return items->fieldByName(QStringLiteral("id")).asInteger();
}

class DeskFeature : public Feature {
public:
    void install(MainWindowParts& main) override {
        new TfmDesk(main.mainWindow()); // fmDesk, the main window's to keep
        QAction* command = makeCommand(main, "iDesk", QStringLiteral("Выдача и возврат"), QStringLiteral("F9"));
        main.menu(QStringLiteral("mEdit"))->addAction(command);
        main.addCatalogueCommand(command, Writes::Yes);
        platform::connectHandler(command, &QAction::triggered, command, [&main] {
            const QString shown = main.catalogue().table;
            fmDesk->Execute({[&main] { return NewItem(main); },
                             [shown](const QString& table) {
                                 // The grid follows each action on its table, where it stood.
                                 if (table == shown)
                                     DM->ReadAgain(DM->aqMain);
                             },
                             shown});
        });
    }
};

} // namespace

std::unique_ptr<Feature> makeDeskFeature() { return std::make_unique<DeskFeature>(); }
