// A catalogue others use too: a note beside it says who has it open for
// writing, and a second program is offered it only to read (a mode that
// writes nothing); the screens follow changes another program commits to
// the file (checked at idle moments, twice a second); the compaction is a
// command of its own («Сжать базу данных», menu «Файл»), which on a network
// folder first says that it rewrites the whole file there.
#include "features/Feature.h"

#include "controls/DataGrid.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/ContactsUnit.h"
#include "dialogs/TSelectUnit.h"
#include "engine/DatabaseFiles.h"
#include "platform/Files.h"
#include "platform/LockNote.h"
#include "platform/MessageBox.h"
#include "platform/Version.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

#include <optional>

namespace {

const int kPollMs = 500;
const QString kReadOnly = QStringLiteral(" (только чтение)");

// Whether the catalogue is opened only to read, asked because another
// program has it open (note): nullopt when the user would rather not open it.
std::optional<bool> AskWhenOpenElsewhere(const QString& file, const platform::LockNote& note) {
    const QString title = QStringLiteral("Каталог открыт");
    const QString who =
        note.readable() ? QStringLiteral("%1 на компьютере %2 с %3")
                              .arg(note.user, note.computer, note.since.toString(QStringLiteral("dd.MM.yyyy hh:mm")))
                        : QStringLiteral("другой программой");
    if (platform::messageBox(
            QStringLiteral("Каталог '%1' открыт: %2. Открыть только для чтения?").arg(platform::fileNameOf(file), who),
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
// and the grid's scroll position kept.
void Refresh(engine::Query* query, DataGrid* grid) {
    if (!query->isOpen() || query->state() != engine::Query::State::Browse)
        return;
    const int scrolled = grid ? grid->verticalScrollBar()->value() : 0;
    DM->ReadAgain(query);
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
        main.addCatalogueCommand(compact, Writes::Yes);
        platform::connectHandler(compact, &QAction::triggered, compact, [this] { CompactByHand(); });
        main.addOpeningStep(Stage::ChoosingMode, [this](const Opening& opening) { return DecideMode(opening); });
        main.addOpeningStep(Stage::Connected, [this](const Opening& opening) { return ClaimNote(opening); });
        main.addStep(Stage::Opened, [this] {
            m_version = m_main->catalogue().connection->dataVersion();
            ShowMode();
        });
        engine::Connection* connection = main.catalogue().connection;
        QObject::connect(connection, &engine::Connection::aboutToClose, main.mainWindow(), [this] {
            if (!m_noteOf.isEmpty())
                platform::removeLockNote(m_noteOf);
            m_noteOf.clear();
        });
        QWidget* window = main.mainWindow();
        QObject::connect(window, &QWidget::windowTitleChanged, window, [this, window](const QString& title) {
            if (m_main->catalogue().readOnly() && title != platform::programTitle() && !title.endsWith(kReadOnly))
                window->setWindowTitle(title + kReadOnly);
        });
        m_poll = new QTimer(main.mainWindow());
        QObject::connect(m_poll, &QTimer::timeout, main.mainWindow(),
                         [this] { platform::guarded([this] { Poll(); }); });
        m_poll->start(kPollMs);
    }

private:
    // Only while nothing is being edited: an open editor (or any other
    // window but the contacts window) waits until it closes.
    void Poll() {
        engine::Connection* connection = m_main->catalogue().connection;
        if (!connection->connected() || Closing)
            return;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != cEditForm)
            return;
        if (QApplication::mouseButtons() != Qt::NoButton)
            return;
        const qint64 version = connection->dataVersion();
        if (version == m_version)
            return;
        m_version = version;
        Refresh(DM->aqMain, m_main->itemGrid());
        if (cEditForm && cEditForm->isVisible())
            Refresh(DM->aqContacts, cEditForm->findChild<DataGrid*>(QStringLiteral("DBGrid")));
        else if (DM->aqContacts->isOpen())
            Refresh(DM->aqContacts, nullptr);
    }

    // Before an opening: read-only where the file may not be written; the
    // question when another program has it open. The note waits until the
    // file is known to be a catalogue.
    std::optional<Opening> DecideMode(const Opening& opening) {
        m_seen.reset();
        const QString file = QFileInfo(opening.file).absoluteFilePath();
        bool readOnly = !platform::mayWrite(file) || !platform::mayWrite(QFileInfo(file).absolutePath());
        if (const std::optional<platform::LockNote> note = platform::readLockNote(file);
            !readOnly && note && !note->ours()) {
            if (note->ownerAlive()) {
                const std::optional<bool> answer = AskWhenOpenElsewhere(file, *note);
                if (!answer)
                    return std::nullopt;
                readOnly = *answer;
            }
            if (!readOnly)
                m_seen = note; // a note of a program gone, or one the user knows to be: replaced
        }
        m_decidedFor = file;
        return Opening{opening.file, readOnly ? engine::OpenMode::ReadOnly : engine::OpenMode::Write};
    }

    // The catalogue open for writing: this program's note beside it. Where
    // another program claimed it since it was asked, the question now.
    std::optional<Opening> ClaimNote(const Opening& opening) {
        const QString file = QFileInfo(opening.file).absoluteFilePath();
        if (file != m_decidedFor) { // a catalogue made here: nobody else has it
            m_decidedFor = file;
            m_seen.reset();
        }
        if (opening.mode == engine::OpenMode::ReadOnly || m_noteOf == file)
            return opening;
        platform::NoteClaim claim = m_seen ? platform::takeOverLockNote(file, *m_seen) : platform::claimLockNote(file);
        m_seen.reset();
        if (claim == platform::NoteClaim::Taken) {
            const std::optional<platform::LockNote> note = platform::readLockNote(file);
            if (note && !note->ours() && note->ownerAlive()) {
                const std::optional<bool> answer = AskWhenOpenElsewhere(file, *note);
                if (!answer)
                    return std::nullopt;
                if (*answer)
                    return Opening{opening.file, engine::OpenMode::ReadOnly};
            }
            claim = note ? platform::takeOverLockNote(file, *note) : platform::claimLockNote(file);
        }
        if (claim == platform::NoteClaim::Made)
            m_noteOf = file;
        return opening;
    }

    void ShowMode() {
        QWidget* window = m_main->mainWindow();
        if (const QString title = window->windowTitle(); !m_main->catalogue().readOnly() && title.endsWith(kReadOnly))
            window->setWindowTitle(title.chopped(kReadOnly.size())); // marked before the mode was known
        emit window->windowTitleChanged(window->windowTitle());      // marked, or not
    }

    void CompactByHand() {
        const QString path = m_main->catalogue().file;
        const QString file = platform::fileNameOf(path);
        const QString question =
            platform::isNetworkFileSystem(path)
                ? QStringLiteral("Каталог '%1' лежит в сетевой папке. Сжатие перепишет весь файл по сети; пока оно "
                                 "идёт, другие не смогут открыть каталог.\rСжать?")
                      .arg(file)
                : QStringLiteral("Сжать каталог '%1'?").arg(file);
        if (platform::messageBox(question, QStringLiteral("Сжать базу данных"), platform::Buttons::YesNo,
                                 platform::Icon::Question)
            != platform::Answer::Yes)
            return;
        m_main->whileCatalogueAway([&] { engine::compactInPlace(path); });
    }

    MainWindowParts* m_main = nullptr;
    QTimer* m_poll = nullptr;
    qint64 m_version = -1;
    QString m_noteOf;                         // the catalogue whose note this program wrote
    QString m_decidedFor;                     // the catalogue whose mode was decided last
    std::optional<platform::LockNote> m_seen; // a note to replace once the catalogue is open
};

} // namespace

std::unique_ptr<Feature> makeSharingFeature() { return std::make_unique<SharingFeature>(); }
