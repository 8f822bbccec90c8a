#include "tests/support/TestSupport.h"

#include "engine/SqliteFiles.h"
#include "platform/Today.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <memory>
#include <sqlite3.h>

namespace {

void failTest(const QString& message, const std::source_location& where) {
    QTest::qFail(message.toUtf8().constData(), where.file_name(), static_cast<int>(where.line()));
}

bool fits(platform::Answer answer, platform::Buttons buttons) {
    if (buttons == platform::Buttons::Ok)
        return answer == platform::Answer::Ok;
    return answer == platform::Answer::Yes || answer == platform::Answer::No;
}

} // namespace

ScriptedMessageBoxes::ScriptedMessageBoxes(Where where) : m_created(where) {
    m_previous = platform::setMessageBoxHandler([this](const platform::MessageRecord& r) { return respond(r); });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() { platform::setMessageBoxHandler(std::move(m_previous)); }

void ScriptedMessageBoxes::answer(platform::Answer a, Where where) { m_answers.append({a, where}); }

void ScriptedMessageBoxes::answerAlways(platform::Answer a) { m_always = a; }

void ScriptedMessageBoxes::failOnUnexpected(bool on) { m_failOnUnexpected = on; }

platform::MessageRecord ScriptedMessageBoxes::last(Where where) const {
    if (m_shown.isEmpty()) {
        failTest(QStringLiteral("Ожидалось окно сообщения, но ни одного не было"), where);
        return {};
    }
    return m_shown.last();
}

platform::Answer ScriptedMessageBoxes::respond(const platform::MessageRecord& record) {
    m_shown.append(record);
    // Nothing may block: whatever goes wrong, the box gets its harmless answer.
    const platform::Answer harmless =
        record.buttons == platform::Buttons::YesNo ? platform::Answer::No : platform::Answer::Ok;

    std::optional<platform::Answer> a;
    Where where = m_created;
    if (!m_answers.isEmpty()) {
        const Queued queued = m_answers.takeFirst();
        a = queued.answer;
        where = queued.where;
    } else if (m_always) {
        a = record.buttons == platform::Buttons::Ok ? platform::Answer::Ok : *m_always;
    }

    QString problem;
    if (!a)
        problem = QStringLiteral("Неожиданное окно сообщения: «%1»");
    else if (!fits(*a, record.buttons))
        problem = QStringLiteral("Заготовленный ответ не подходит к кнопкам окна: «%1»");
    if (problem.isEmpty())
        return *a;

    m_unexpected = true;
    if (m_failOnUnexpected)
        failTest(problem.arg(record.text), where);
    return harmless;
}

ScriptedFileDialogs::ScriptedFileDialogs(std::source_location where) : m_created(where) {
    m_previous = platform::setFileDialogHandler([this](const platform::FileDialogRequest& r) { return respond(r); });
}

ScriptedFileDialogs::~ScriptedFileDialogs() { platform::setFileDialogHandler(std::move(m_previous)); }

void ScriptedFileDialogs::choose(const QString& path) { m_choices.append(path); }

void ScriptedFileDialogs::failOnUnexpected(bool on) { m_failOnUnexpected = on; }

QString ScriptedFileDialogs::respond(const platform::FileDialogRequest& request) {
    m_requests.append(request);
    if (!m_choices.isEmpty())
        return m_choices.takeFirst();
    m_unexpected = true;
    if (m_failOnUnexpected)
        failTest(QStringLiteral("Неожиданный диалог выбора файла: «%1»").arg(request.title), m_created);
    return QString();
}

ScriptedShell::ScriptedShell() {
    m_previous = platform::setShellHandler([this](const QString& address) {
        m_opened.append(address);
        return m_result;
    });
}

ScriptedShell::~ScriptedShell() { platform::setShellHandler(std::move(m_previous)); }

TestFolder::TestFolder(std::source_location where) : m_previous(QDir::currentPath()) {
    if (!m_dir.isValid() || !QDir::setCurrent(m_dir.path()))
        failTest(QStringLiteral("Не удалось создать временную папку для теста"), where);
}

TestFolder::~TestFolder() {
    // Leave the folder before QTemporaryDir removes it.
    QDir::setCurrent(m_previous);
}

PinnedToday::PinnedToday(double day) { platform::pinToday(day); }

PinnedToday::~PinnedToday() { platform::pinToday(std::nullopt); }

double day(int y, int m, int d) { return platform::toDayNumber(QDate(y, m, d)); }

namespace {

// Catches the next showing of a modal window, also of one shown again.
class ModalWatcher : public QObject {
public:
    using QObject::QObject;
    QPointer<QWidget> shown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!shown && event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && w->isModal())
                shown = w;
        }
        return false;
    }
};

bool isModalOrPopup(const QWidget* w) { return w->isWindow() && (w->isModal() || w->windowType() == Qt::Popup); }

void closeWindow(QWidget* w) {
    if (auto* dialog = qobject_cast<QDialog*>(w))
        dialog->done(QDialog::Rejected); // also where the window refuses Esc and its close box
    else
        w->close();
}

// Every modal window and pop-up still open, innermost first: each one's
// nested event loop then ends, and so does the code that showed it.
void closeModalWindows() {
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && isModalOrPopup(w))
            closeWindow(w);
}

// Once a check has failed inside a modal window, nothing of that test may
// wait for a user: a window it opens from then on is closed at once, so the
// test ends in moments instead of at the run's time limit.
class FailedTestSweeper : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() && QTest::currentTestFailed()
            && isModalOrPopup(static_cast<QWidget*>(watched))) {
            QPointer<QWidget> w = static_cast<QWidget*>(watched);
            QTimer::singleShot(0, w, [w] {
                if (w && w->isVisible())
                    closeWindow(w);
            });
        }
        return false;
    }
};

} // namespace

void whenModalShown(std::function<void(QWidget* modal)> action, int timeoutMs, std::source_location where) {
    static FailedTestSweeper* sweeper = nullptr;
    if (!sweeper) {
        sweeper = new FailedTestSweeper(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(sweeper);
    }
    auto* watcher = new ModalWatcher(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(watcher);
    auto* timer = new QTimer(watcher);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    // The action may refer to the test's own variables: it must never run
    // once that test has ended.
    const QByteArray test = QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag();
    QObject::connect(timer, &QTimer::timeout, watcher, [=]() {
        const bool sameTest = QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag() == test;
        const QPointer<QWidget> modal = watcher->shown;
        const bool appeared = modal && modal->isVisible();
        if (sameTest && !appeared && !clock->hasExpired(timeoutMs))
            return;
        watcher->deleteLater();
        timer->stop();
        if (!sameTest)
            return;
        if (!appeared)
            failTest(QStringLiteral("Модальное окно не появилось за %1 мс").arg(timeoutMs), where);
        else if (!QTest::currentTestFailed())
            action(modal);
        // A check that failed in the action returned from it early, leaving
        // the window (and any it opened) waiting for a click.
        if (QTest::currentTestFailed())
            closeModalWindows();
    });
    timer->start(10);
}

FileState examine(const QString& path) {
    FileState state;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(engine::sqliteFileName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return state;
    }
    auto rows = [&](const QString& sql, QStringList& out) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
            return false;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList values;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                values << (sqlite3_column_type(stmt, c) == SQLITE_NULL
                               ? QStringLiteral("<null>")
                               : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c))));
            out << values.join(u'|');
        }
        return sqlite3_finalize(stmt) == SQLITE_OK;
    };
    QStringList check, tables;
    if (rows(QStringLiteral("PRAGMA integrity_check"), check) && check == QStringList{QStringLiteral("ok")}
        && rows(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY name"), state.contents)
        && rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"), tables)) {
        state.intact = true;
        for (const QString& table : std::as_const(tables)) {
            state.contents << QStringLiteral("== ") + table;
            if (!rows(QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table), state.contents))
                state.intact = false;
        }
    }
    sqlite3_close(db);
    return state;
}
