// A catalogue others use too: a note beside it says who has it open for
// writing, and a second program is offered it only to read (a mode that
// writes nothing); the screens follow changes another program commits to
// the file (checked at idle moments, twice a second); the compaction is a
// command of its own («Сжать базу данных», menu «Файл»), which on a network
// folder first says that it rewrites the whole file there.
#include "features/Units.h"

#include "controls/DataGrid.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/ContactsUnit.h"
#include "engine/DatabaseFiles.h"
#include "platform/Files.h"
#include "dialogs/TSelectUnit.h"
#include "platform/LockNote.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QApplication>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

#include <optional>

namespace {

const int kPollMs = 500;
const QString kReadOnly = QStringLiteral(" (только чтение)");

// The commands that write to the catalogue, by the windows that hold them.
const char* const kMainWriters[] = {"tbNewRecord", "tbEditRecord", "tbDeleteRecord", "iAddRec",   "iEditRec",
                                    "iDelRec",     "iProlong_1",   "iProlong_3",     "iProlong_7", "iClearDept",
                                    "iCompact",    "iBackups",     "iImportList"};
const char* const kContactWriters[] = {"tbAdd", "tbEdit", "tbDelete", "iNone", "iWhite", "iBlack"};
const char* const kTableWriters[] = {"tbAddTable", "tbRenTable", "tbRemoveTable"};

// Keeps a control disabled while the catalogue is only read, whatever
// enables it meanwhile.
class KeptDisabled : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange && ReadOnlyCatalogue)
            if (auto* w = qobject_cast<QWidget*>(watched); w && w->isEnabled())
                w->setEnabled(false);
        return false;
    }
};
void keepDisabled(QAction* a) {
    QObject::connect(a, &QAction::changed, a, [a] {
        if (ReadOnlyCatalogue && a->isEnabled())
            a->setEnabled(false);
    });
}

// Whether the catalogue is opened only to read: asked when another program
// has it open; nullopt when the user would rather not open it.
std::optional<bool> AskWhenOpenElsewhere(const QString& file) {
    const std::optional<platform::LockNote> note = platform::readLockNote(file);
    if (!note || note->ours() || !note->ownerAlive())
        return false;
    const QString title = QStringLiteral("Каталог открыт");
    if (platform::messageBox(QStringLiteral("Каталог '%1' открыт: %2 на компьютере %3 с %4. Открыть только для "
                                            "чтения?")
                                 .arg(platform::fileNameOf(file), note->user, note->computer,
                                      note->since.toString(QStringLiteral("dd.MM.yyyy hh:mm"))),
                             title, platform::Buttons::YesNo, platform::Icon::Question)
        == platform::Answer::Yes)
        return true;
    if (platform::messageBox(QStringLiteral("Открыть каталог для записи всё же? Выберите «Да», только если знаете, "
                                            "что он уже закрыт (например, компьютер выключили, не закрыв программу): "
                                            "две программы, пишущие в один каталог, могут испортить его."),
                             title, platform::Buttons::YesNo, platform::Icon::Warning)
        == platform::Answer::Yes)
        return false;
    return std::nullopt;
}

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
        main.addStep(Stage::BeforeOpening, [this] { return DecideMode(); });
        main.addStep(Stage::Opened, [this] {
            m_version = DM->ADOConnection->dataVersion();
            // An opening that asked nothing (a new catalogue) is for writing.
            if (const QString file = QFileInfo(DBPath).absoluteFilePath(); file != m_decidedFor) {
                m_decidedFor = file;
                m_noteOf = file;
                ReadOnlyCatalogue = false;
            }
            if (!ReadOnlyCatalogue && !m_noteOf.isEmpty())
                platform::writeLockNote(m_noteOf); // again after a restore; kept when there
            ShowMode();
            return true;
        });
        QObject::connect(DM->ADOConnection, &engine::Connection::aboutToClose, main.mainWindow(), [this] {
            if (!m_noteOf.isEmpty())
                platform::removeLockNote(m_noteOf);
        });
        for (const char* name : kMainWriters)
            if (auto* a = main.mainWindow()->findChild<QAction*>(QString::fromLatin1(name)))
                keepDisabled(a);
        auto* kept = new KeptDisabled(main.mainWindow());
        for (const char* name : kContactWriters)
            if (auto* a = cEditForm->findChild<QAction*>(QString::fromLatin1(name)))
                keepDisabled(a);
        for (const char* name : kTableWriters)
            if (auto* w = fmTSForm->findChild<QWidget*>(QString::fromLatin1(name)))
                w->installEventFilter(kept);
        QWidget* window = main.mainWindow();
        QObject::connect(window, &QWidget::windowTitleChanged, window, [window](const QString& title) {
            if (ReadOnlyCatalogue && title != u"Zandrel" && !title.endsWith(kReadOnly))
                window->setWindowTitle(title + kReadOnly);
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

    // Before an opening: read-only without a note where the file may not be
    // written; else the note, or the question when another program has it.
    bool DecideMode() {
        m_noteOf.clear();
        const QString file = QFileInfo(DBPath).absoluteFilePath();
        bool readOnly = !platform::mayWrite(file) || !platform::mayWrite(QFileInfo(file).absolutePath());
        if (!readOnly && !platform::writeLockNote(file)) {
            const std::optional<bool> answer = AskWhenOpenElsewhere(file);
            if (!answer)
                return false;
            readOnly = *answer;
            if (!readOnly) { // a stale note, or one the user knows to be: replaced
                QFile::remove(platform::lockNotePath(file));
                platform::writeLockNote(file);
            }
        }
        if (!readOnly)
            m_noteOf = file;
        m_decidedFor = file;
        ReadOnlyCatalogue = readOnly;
        DM->ADOConnection->setReadOnlyFile(readOnly ? file : QString());
        return true;
    }

    void ShowMode() {
        QWidget* window = m_main->mainWindow();
        for (const char* name : kMainWriters)
            if (auto* a = window->findChild<QAction*>(QString::fromLatin1(name)); a && ReadOnlyCatalogue)
                a->setEnabled(false);
        for (const char* name : kContactWriters)
            if (auto* a = cEditForm->findChild<QAction*>(QString::fromLatin1(name)); a && ReadOnlyCatalogue)
                a->setEnabled(false);
        for (const char* name : kTableWriters)
            if (auto* w = fmTSForm->findChild<QWidget*>(QString::fromLatin1(name)); w && ReadOnlyCatalogue)
                w->setEnabled(false);
        if (!ReadOnlyCatalogue) // those no state of the windows disables
            for (QObject* w : {cEditForm->findChild<QObject*>(QStringLiteral("tbAdd")),
                               cEditForm->findChild<QObject*>(QStringLiteral("iNone")),
                               cEditForm->findChild<QObject*>(QStringLiteral("iWhite")),
                               cEditForm->findChild<QObject*>(QStringLiteral("iBlack")),
                               fmTSForm->findChild<QObject*>(QStringLiteral("tbAddTable"))})
                if (w)
                    w->setProperty("enabled", true);
        if (const QString title = window->windowTitle(); !ReadOnlyCatalogue && title.endsWith(kReadOnly))
            window->setWindowTitle(title.chopped(kReadOnly.size())); // marked before the mode was known
        emit window->windowTitleChanged(window->windowTitle()); // marked, or not
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
    QString m_noteOf;     // the catalogue whose note this program wrote
    QString m_decidedFor; // the catalogue whose mode was decided last
};

} // namespace

std::unique_ptr<Feature> makeSharingFeature() { return std::make_unique<SharingFeature>(); }
