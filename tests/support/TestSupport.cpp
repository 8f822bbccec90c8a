#include "tests/support/TestSupport.h"

#include "engine/SqliteFiles.h"
#include "platform/Today.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <array>
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

void ScriptedMessageBoxes::answer(platform::Answer a, Where where) { m_answers.append({a, where, {}}); }

void ScriptedMessageBoxes::answer(platform::Answer a, std::function<void()> meanwhile, Where where) {
    m_answers.append({a, where, std::move(meanwhile)});
}

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
    std::function<void()> meanwhile;
    if (!m_answers.isEmpty()) {
        const Queued queued = m_answers.takeFirst();
        a = queued.answer;
        where = queued.where;
        meanwhile = queued.meanwhile;
    } else if (m_always) {
        a = record.buttons == platform::Buttons::Ok ? platform::Answer::Ok : *m_always;
    }

    QString problem;
    if (!a)
        problem = QStringLiteral("Неожиданное окно сообщения: «%1»");
    else if (!fits(*a, record.buttons))
        problem = QStringLiteral("Заготовленный ответ не подходит к кнопкам окна: «%1»");
    if (problem.isEmpty())
        return QTest::currentTestFailed() ? harmless : answerAsAUser(record, *a, where, meanwhile);

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

bool isModalOrPopup(const QWidget* w) { return w->isWindow() && (w->isModal() || w->windowType() == Qt::Popup); }

// Forcing a window shut is only for a test that has failed already.
void closeWindow(QWidget* w) {
    if (auto* dialog = qobject_cast<QDialog*>(w))
        dialog->done(QDialog::Rejected); // also where the window refuses Esc and its close box
    else
        w->close();
    // Where even the close request was swallowed: hidden, its exec() ends.
    if (w->isVisible())
        w->hide();
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

QString describe(const QWidget* w) {
    QStringList texts{w->windowTitle()};
    for (const QLabel* label : w->findChildren<QLabel*>())
        if (label->isVisible() && !label->text().isEmpty())
            texts << label->text();
    for (const QListWidget* list : w->findChildren<QListWidget*>())
        for (int i = 0; i < std::min(list->count(), 5); ++i)
            texts << list->item(i)->text();
    return texts.join(QStringLiteral(" / "));
}

// Every modal window a test meets: a message box the scripted responder is
// answering, one that whenModalShown waits for, or else one nobody expected,
// which fails the test at once with what it says. Progress windows ask
// nothing. Once a test has failed, every window it opens closes by itself,
// so it ends in moments instead of at the run's time limit.
class ModalWindows : public QObject {
public:
    static ModalWindows& instance() {
        static ModalWindows* windows = [] {
            auto* w = new ModalWindows(QCoreApplication::instance());
            QCoreApplication::instance()->installEventFilter(w);
            return w;
        }();
        return *windows;
    }
    struct Waiter {
        QPointer<QWidget> shown;
        QByteArray test;
    };
    std::shared_ptr<Waiter> wait() {
        auto waiter = std::make_shared<Waiter>();
        waiter->test = currentTest();
        m_waiters.append(waiter);
        return waiter;
    }
    void forget(const std::shared_ptr<Waiter>& waiter) { m_waiters.removeAll(waiter); }
    QStringList answering; // texts of the message boxes being answered

    static QByteArray currentTest() { return QByteArray(QTest::currentTestFunction()) + '/' + QTest::currentDataTag(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if ((event->type() != QEvent::Show && event->type() != QEvent::Hide) || !watched->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(watched);
        if (!w->isWindow() || !w->isModal() || qobject_cast<QProgressDialog*>(w))
            return false;
        // A window restored from its icon is shown again by the system
        // (spontaneously), still the same opening; such a show may even come
        // after the window was closed.
        if (event->spontaneous())
            return false;
        if (event->type() == QEvent::Hide) {
            m_open.removeAll(w);
            return false;
        }
        if (m_open.contains(w))
            return false;
        m_open.removeAll(nullptr);
        m_open.append(w);
        if (QTest::currentTestFailed()) {
            closeSoon(w);
            return false;
        }
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box && answering.contains(box->text()))
            return false;
        for (const auto& waiter : std::as_const(m_waiters))
            if (!waiter->shown && waiter->test == currentTest()) {
                waiter->shown = w;
                return false;
            }
        if (QTest::currentTestFunction()) {
            QTest::qFail(qPrintable(QStringLiteral("Неожиданное модальное окно: «%1»").arg(describe(w))), __FILE__,
                         __LINE__);
            closeSoon(w);
        }
        return false;
    }

private:
    using QObject::QObject;
    static void closeSoon(QWidget* window) {
        QPointer<QWidget> w = window;
        QTimer::singleShot(0, w, [w] {
            if (w && w->isVisible())
                closeWindow(w);
        });
    }
    QList<std::shared_ptr<Waiter>> m_waiters;
    QList<QPointer<QWidget>> m_open; // modal windows shown and not closed since
};

enum class Gesture { Enter, Escape, Space, Click };

// The ways a user answers a box, taken in turn so that every one is tried.
Gesture gestureFor(platform::Answer answer) {
    static int turn = 0;
    const int n = turn++;
    switch (answer) {
    case platform::Answer::Ok:
        return std::array{Gesture::Enter, Gesture::Click, Gesture::Escape, Gesture::Space}[n % 4];
    case platform::Answer::Yes: return std::array{Gesture::Enter, Gesture::Click, Gesture::Space}[n % 3];
    case platform::Answer::No: return std::array{Gesture::Escape, Gesture::Click}[n % 2];
    }
    return Gesture::Click;
}

QString gestureName(Gesture g) {
    switch (g) {
    case Gesture::Enter: return QStringLiteral("Enter");
    case Gesture::Escape: return QStringLiteral("Escape");
    case Gesture::Space: return QStringLiteral("пробел");
    case Gesture::Click: return QStringLiteral("щелчок по кнопке");
    }
    return {};
}

void perform(QMessageBox* box, Gesture g, platform::Answer answer) {
    const QMessageBox::StandardButton wanted = answer == platform::Answer::Yes  ? QMessageBox::Yes
                                               : answer == platform::Answer::No ? QMessageBox::No
                                                                                : QMessageBox::Ok;
    switch (g) {
    case Gesture::Enter: QTest::keyClick(box, Qt::Key_Return); break;
    case Gesture::Escape: QTest::keyClick(box, Qt::Key_Escape); break;
    case Gesture::Space: {
        // The button that has the focus takes the space: the default one.
        QWidget* focused = box->focusWidget() ? box->focusWidget() : static_cast<QWidget*>(box->defaultButton());
        QTest::keyClick(focused, Qt::Key_Space);
        break;
    }
    case Gesture::Click: QTest::mouseClick(box->button(wanted), Qt::LeftButton); break;
    }
}

} // namespace

platform::Answer ScriptedMessageBoxes::answerAsAUser(const platform::MessageRecord& record, platform::Answer answer,
                                                     Where where, const std::function<void()>& meanwhile) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        if (meanwhile)
            meanwhile();
        return answer; // no window to answer: the command-line tools' boxes
    }
    ModalWindows& windows = ModalWindows::instance();
    const Gesture gesture = gestureFor(answer);
    QPointer<QMessageBox> box;
    bool given = false, stuck = false;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!box)
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible() && b->text() == record.text)
                    box = b;
        if (box && !given) {
            given = true;
            if (meanwhile)
                meanwhile();
            clock.restart();
            perform(box, gesture, answer);
        } else if (clock.hasExpired(5000) && !stuck) {
            // The box took no input: whatever swallowed it would hang a user too.
            stuck = true;
            failTest(QStringLiteral("Окно сообщения «%1» не закрылось от ответа (%2)")
                         .arg(record.text, gestureName(gesture)),
                     where);
            if (box)
                closeWindow(box);
        }
    });
    poll.start(5);
    const QPointer<QWidget> before = QApplication::activeWindow();
    windows.answering.append(record.text);
    const platform::Answer got = platform::showMessageBoxWindow(record);
    windows.answering.removeOne(record.text);
    // The window under the box takes the keys again, as a window manager
    // gives it back its activation (the offscreen platform gives none).
    if (before && before->isVisible() && QApplication::activeWindow() != before) {
        before->activateWindow();
        (void)QTest::qWaitForWindowActive(before, 1000);
    }
    if (!stuck && got != answer)
        failTest(QStringLiteral("Окно сообщения «%1» ответило не так, как ему ответили (%2)")
                     .arg(record.text, gestureName(gesture)),
                 where);
    return stuck ? (record.buttons == platform::Buttons::YesNo ? platform::Answer::No : platform::Answer::Ok) : got;
}

void whenModalShown(std::function<void(QWidget* modal)> action, int timeoutMs, std::source_location where) {
    ModalWindows& windows = ModalWindows::instance();
    const std::shared_ptr<ModalWindows::Waiter> waiter = windows.wait();
    auto* timer = new QTimer(QCoreApplication::instance());
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    auto appearedAt = std::make_shared<qint64>(-1);
    // The action may refer to the test's own variables: it must never run
    // once that test has ended.
    QObject::connect(timer, &QTimer::timeout, timer, [=, &windows]() {
        const bool sameTest = ModalWindows::currentTest() == waiter->test;
        const QPointer<QWidget> modal = waiter->shown;
        const bool appeared = modal && modal->isVisible();
        if (sameTest && !appeared && !clock->hasExpired(timeoutMs))
            return;
        // Keys typed before the window is active go to the one behind it, as
        // a user's would: on a loaded machine activation comes a moment late.
        if (appeared && *appearedAt < 0)
            *appearedAt = clock->elapsed();
        constexpr qint64 kActivationWaitMs = 3000;
        if (sameTest && appeared && QApplication::activeWindow() != modal->window()
            && clock->elapsed() - *appearedAt < kActivationWaitMs)
            return;
        windows.forget(waiter);
        timer->stop();
        timer->deleteLater();
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

void click(QAbstractButton* button, std::source_location where) {
    if (!button) {
        failTest(QStringLiteral("Нет кнопки, по которой щёлкнуть"), where);
        return;
    }
    if (!button->isVisible() || !button->isEnabled())
        failTest(QStringLiteral("Кнопка «%1» недоступна для щелчка").arg(button->text()), where);
    QTest::mouseClick(button, Qt::LeftButton);
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
