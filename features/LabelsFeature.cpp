// Labels with barcodes: «Этикетки...» (menu «Отчёты») for the items the
// grid shows, «Карточки...» (the contacts window's pop-up menu) for the
// contacts; the codes printed are remembered unless the catalogue is only read.
#include "features/Feature.h"

#include "data/CatalogueShape.h"
#include "data/Codes.h"
#include "data/DBMUnit.h"
#include "dialogs/ContactsUnit.h"
#include "dialogs/LabelsUnit.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QMenu>

namespace {

// The rows of query (of table) with a code as labels: what the text column
// says over the barcode, caption under it.
TfmLabels::Request RequestOf(engine::Connection& connection, engine::Query* query, const QString& table,
                             const QString& textColumn, const QString& caption) {
    TfmLabels::Request request;
    const QHash<qint64, codes::Kept> kept = codes::codesOf(connection, table);
    const int id = query->fieldIndex(shape::column::kId), text = query->fieldIndex(textColumn);
    for (int r = 0; id >= 0 && r < query->recordCount(); ++r) {
        const auto code = kept.constFind(query->integerValue(r, id));
        if (code == kept.constEnd())
            ++request.withoutCode;
        else
            request.entries << TfmLabels::Entry{{code->code, query->textValue(r, text), caption}, code->printed};
    }
    return request;
}

void ShowLabels(MainWindowParts& main, TfmLabels::Request request, const QString& title) {
    request.title = title;
    const ShownCatalogue shown = main.catalogue();
    if (!shown.readOnly())
        request.markPrinted = [connection = shown.connection](const QStringList& printed) {
            codes::markPrinted(*connection, printed);
        };
    fmLabels->Execute(request);
}

class LabelsFeature : public Feature {
public:
    void install(MainWindowParts& main) override {
        new TfmLabels(main.mainWindow()); // fmLabels, the main window's to keep
        QMenu* reports = main.menu(QStringLiteral("mReports"), QStringLiteral("Отчёты"));
        QAction* itemLabels = makeCommand(main, "iLabels", QStringLiteral("Этикетки..."));
        reports->addSeparator();
        reports->addAction(itemLabels);
        main.addCatalogueCommand(itemLabels);
        platform::connectHandler(itemLabels, &QAction::triggered, itemLabels, [&main] {
            const ShownCatalogue shown = main.catalogue();
            ShowLabels(main, RequestOf(*shown.connection, DM->aqMain, shown.table, shape::column::kTitle, shown.table),
                       QStringLiteral("Этикетки"));
        });
        auto* contactsMenu = cEditForm->findChild<QMenu*>(QStringLiteral("pmContacts"));
        QAction* cards = new QAction(QStringLiteral("Карточки..."), cEditForm);
        cards->setObjectName(QStringLiteral("iContactCards"));
        contactsMenu->addAction(cards);
        platform::connectHandler(cards, &QAction::triggered, cards, [&main] {
            TfmLabels::Request request = RequestOf(*main.catalogue().connection, DM->aqContacts, shape::kContactsTable,
                                                   shape::column::kName, QString());
            request.noun = {"контакт", "контакта", "контактов"};
            ShowLabels(main, request, QStringLiteral("Карточки"));
        });
    }
};

} // namespace

std::unique_ptr<Feature> makeLabelsFeature() { return std::make_unique<LabelsFeature>(); }
