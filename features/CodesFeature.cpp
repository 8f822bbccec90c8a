// Codes for what has none: «Присвоить коды...» (the grid's pop-up menu)
// numbers every shown item without a code; «Код...» (the pop-up menus of
// the grid and of the contacts window) shows and changes one code.
#include "features/Feature.h"

#include "controls/Writers.h"
#include "data/CatalogueShape.h"
#include "data/Codes.h"
#include "data/DBMUnit.h"
#include "dialogs/ContactsUnit.h"
#include "engine/EngineError.h"
#include "platform/MessageBox.h"
#include "platform/Plural.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>

namespace {

const platform::NounForms kCodes{"код", "кода", "кодов"};

void GiveNumbers(const QString& table) {
    engine::Query* items = DM->aqMain;
    const int id = items->fieldIndex(shape::column::kId);
    QList<qint64> shown;
    for (int r = 0; id >= 0 && r < items->recordCount(); ++r)
        shown << items->integerValue(r, id);
    const int given = codes::giveNumbers(*DM->ADOConnection, table, shown);
    platform::messageBox(given ? QStringLiteral("Присвоено: %1.").arg(platform::countOf(given, kCodes))
                               : QStringLiteral("У всех показанных записей уже есть коды."),
                         QStringLiteral("Коды"), platform::Buttons::Ok, platform::Icon::Information);
}

// The code of holder (named what) shown to be changed; an emptied one is removed.
void ChangeCode(QWidget* owner, const codes::Holder& holder, const QString& what) {
    bool ok = false;
    const QString code = QInputDialog::getText(owner, QStringLiteral("Код"), QStringLiteral("Код: %1").arg(what),
                                               QLineEdit::Normal, codes::codeOf(*DM->ADOConnection, holder), &ok);
    if (!ok)
        return;
    try {
        codes::assign(*DM->ADOConnection, holder, code);
    } catch (const engine::EngineError& e) {
        platform::showError(e.message());
    }
}

// The current row's holder in query (of table), none when there is no row.
std::optional<codes::Holder> CurrentOf(engine::Query* query, const QString& table) {
    if (!query->isOpen() || query->currentRow() < 0)
        return std::nullopt;
    return codes::Holder{table, query->fieldByName(shape::column::kId).asInteger()};
}

class CodesFeature : public Feature {
public:
    void install(MainWindowParts& main) override {
        QAction* give = makeCommand(main, "iGiveCodes", QStringLiteral("Присвоить коды..."));
        QAction* change = makeCommand(main, "iCode", QStringLiteral("Код..."));
        main.gridMenu()->addSeparator();
        for (QAction* command : {give, change}) {
            main.gridMenu()->addAction(command);
            main.addCatalogueCommand(command, Writes::Yes);
        }
        platform::connectHandler(give, &QAction::triggered, give, [&main] { GiveNumbers(main.catalogue().table); });
        platform::connectHandler(change, &QAction::triggered, change, [&main] {
            if (const auto item = CurrentOf(DM->aqMain, main.catalogue().table))
                ChangeCode(main.mainWindow(), *item, DM->aqMain->fieldByName(shape::column::kTitle).asString());
        });
        // The contacts window's own pop-up menu.
        auto* contactsMenu = cEditForm->findChild<QMenu*>(QStringLiteral("pmContacts"));
        QAction* contactCode = new QAction(QStringLiteral("Код..."), cEditForm);
        contactCode->setObjectName(QStringLiteral("iContactCode"));
        contactsMenu->addSeparator();
        contactsMenu->addAction(contactCode);
        writers::declare(contactCode);
        platform::connectHandler(contactCode, &QAction::triggered, contactCode, [] {
            if (const auto contact = CurrentOf(DM->aqContacts, shape::kContactsTable))
                ChangeCode(cEditForm, *contact, DM->aqContacts->fieldByName(shape::column::kName).asString());
        });
    }
};

} // namespace

std::unique_ptr<Feature> makeCodesFeature() { return std::make_unique<CodesFeature>(); }
