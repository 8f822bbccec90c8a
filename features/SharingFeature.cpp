// A catalogue others use too: the screens follow changes another program
// commits to the file (checked at idle moments, twice a second), and the
// compaction is a command of its own («Сжать базу данных», menu «Файл»),
// which on a network folder first says that it rewrites the whole file there.
#include "features/Units.h"

#include "controls/DataGrid.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/ContactsUnit.h"
#include "engine/DatabaseFiles.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

namespace {

const int kPollMs = 500;

// The query opened anew on the same statement and order, its current row
// (by id) and the grid's scroll position kept.
void Refresh(engine::Query* query, DataGrid* grid) {
    if (!query->isOpen() || query->state() != engine::Query::State::Browse)
        return;
    const int idField = query->fieldIndex(QStringLiteral("id"));
    const int row = query->currentRow();
    const qint64 id = idField >= 0 && row >= 0 ? query->integerValue(row, idField) : -1;
    const int scrolled = grid ? grid->verticalScrollBar()->value() : 0;
    const QString order = query->sortOrder();
    query->close();
    query->open();
    if (!order.isEmpty())
        query->sort(order);
    for (int r = 0; idField >= 0 && r < query->recordCount(); ++r)
        if (query->integerValue(r, idField) == id) {
            query->setCurrentRow(r);
            break;
        }
    if (grid)
        grid->verticalScrollBar()->setValue(scrolled);
}

class SharingFeature : public Feature {
public:
    void install(MainWindowParts& main) override {
        m_main = &main;
        QAction* compact = makeCommand(main, "iCompact", QStringLiteral("Сжать базу данных..."));
        QMenu* file = main.menu(QStringLiteral("mFile"));
        const QList<QAction*> items = file->actions();
        file->insertAction(items.value(items.size() - 2), compact); // before «Выход» and its separator
        main.addCatalogueCommand(compact);
        platform::connectHandler(compact, &QAction::triggered, compact, [this] { CompactByHand(); });
        main.addStep(Stage::Opened, [this] {
            m_version = DM->ADOConnection->dataVersion();
            return true;
        });
        m_poll = new QTimer(main.mainWindow());
        QObject::connect(m_poll, &QTimer::timeout, main.mainWindow(), [this] { platform::guarded([this] { Poll(); }); });
        m_poll->start(kPollMs);
    }

private:
    // Only while nothing is being edited: an open editor (or any other
    // window but the contacts window) waits until it closes.
    void Poll() {
        if (!DM->ADOConnection->connected() || Closing)
            return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != cEditForm)
            return;
        if (QApplication::mouseButtons() != Qt::NoButton)
            return;
        const qint64 version = DM->ADOConnection->dataVersion();
        if (version == m_version)
            return;
        m_version = version;
        Refresh(DM->aqMain, m_main->itemGrid());
        if (cEditForm && cEditForm->isVisible())
            Refresh(DM->aqContacts, cEditForm->findChild<DataGrid*>(QStringLiteral("DBGrid")));
        else if (DM->aqContacts->isOpen())
            Refresh(DM->aqContacts, nullptr);
    }

    void CompactByHand() {
        const QString file = platform::fileNameOf(DBPath);
        const QString question =
            platform::isNetworkFileSystem(DBPath)
                ? QStringLiteral("Каталог '%1' лежит в сетевой папке. Сжатие перепишет весь файл по сети; пока оно "
                                 "идёт, другие не смогут открыть каталог.\\nСжать?")
                      .arg(file)
                : QStringLiteral("Сжать каталог '%1'?").arg(file);
        if (platform::messageBox(question, QStringLiteral("Сжать базу данных"), platform::Buttons::YesNo,
                                 platform::Icon::Question)
            != platform::Answer::Yes)
            return;
        m_main->putCatalogueAway();
        try {
            engine::compactInPlace(DBPath);
        } catch (...) {
            m_main->showCatalogueAgain(); // the catalogue as it was
            throw;
        }
        m_main->showCatalogueAgain();
    }

    MainWindowParts* m_main = nullptr;
    QTimer* m_poll = nullptr;
    qint64 m_version = -1;
};

} // namespace

std::unique_ptr<Feature> makeSharingFeature() { return std::make_unique<SharingFeature>(); }
