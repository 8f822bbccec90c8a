#pragma once

#include "platform/FileDialogs.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>
#include <source_location>

class QAbstractButton;
class QWidget;

// Answers the real message boxes for its lifetime. Every box must be
// expected: queue an answer per box with answer(), or give one for all with
// answerAlways(). An expected box is shown and answered as a user does, by
// Enter, Escape, the space bar or a click on its button (in turn), sent
// through the event system; a box that does not close from it fails the
// test. An unexpected box, or a queued answer that doesn't fit the box's
// buttons, fails the running test at once (unless failOnUnexpected(false))
// and is answered No / Ok without showing, so nothing hangs. Failures name the test's own line:
// the one that queued the answer, or for an unexpected box the one that
// made this responder.
class ScriptedMessageBoxes {
public:
    using Where = std::source_location;
    explicit ScriptedMessageBoxes(Where where = Where::current());
    ~ScriptedMessageBoxes();
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    void answer(platform::Answer a, Where where = Where::current());
    // The same, doing meanwhile while the box is up, before it is answered
    // (what another program does at that moment, say).
    void answer(platform::Answer a, std::function<void()> meanwhile, Where where = Where::current());
    void answerAlways(platform::Answer a);
    void failOnUnexpected(bool on);

    const QList<platform::MessageRecord>& shown() const { return m_shown; }
    int count() const { return int(m_shown.size()); }
    platform::MessageRecord last(Where where = Where::current()) const; // fails the test when no box was shown
    int remaining() const { return int(m_answers.size()); }             // queued answers not used yet
    bool unexpected() const { return m_unexpected; }

private:
    platform::Answer respond(const platform::MessageRecord& record);
    // The real box shown, and answered by a key or a click as a user would.
    platform::Answer answerAsAUser(const platform::MessageRecord& record, platform::Answer answer, Where where,
                                   const std::function<void()>& meanwhile);

    struct Queued {
        platform::Answer answer;
        Where where;
        std::function<void()> meanwhile;
    };
    QList<platform::MessageRecord> m_shown;
    QList<Queued> m_answers;
    Where m_created;
    std::optional<platform::Answer> m_always;
    bool m_failOnUnexpected = true;
    bool m_unexpected = false;
    platform::MessageBoxHandler m_previous; // restored at the end: instances nest
};

// Replaces the real file dialogs for its lifetime; choose("") scripts a cancel.
// An unexpected dialog fails the running test (unless failOnUnexpected(false))
// and is cancelled; the failure names the line that made this responder.
class ScriptedFileDialogs {
public:
    explicit ScriptedFileDialogs(std::source_location where = std::source_location::current());
    ~ScriptedFileDialogs();
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    void choose(const QString& path);
    void failOnUnexpected(bool on);

    const QList<platform::FileDialogRequest>& requests() const { return m_requests; }
    int remaining() const { return int(m_choices.size()); }
    bool unexpected() const { return m_unexpected; }

private:
    QString respond(const platform::FileDialogRequest& request);

    QList<platform::FileDialogRequest> m_requests;
    QStringList m_choices;
    std::source_location m_created;
    bool m_failOnUnexpected = true;
    bool m_unexpected = false;
    platform::FileDialogHandler m_previous;
};

// Records the addresses the program would open instead of opening them.
class ScriptedShell {
public:
    ScriptedShell();
    ~ScriptedShell();
    ScriptedShell(const ScriptedShell&) = delete;
    ScriptedShell& operator=(const ScriptedShell&) = delete;

    void setResult(bool opened) { m_result = opened; } // what shellOpen reports
    const QStringList& opened() const { return m_opened; }

private:
    QStringList m_opened;
    bool m_result = true;
    platform::ShellHandler m_previous;
};

// A fresh temporary folder that is the current directory for its lifetime.
class TestFolder {
public:
    explicit TestFolder(std::source_location where = std::source_location::current());
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    QString root() const { return m_dir.path(); }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QString m_previous;
    QTemporaryDir m_dir;
};

// Pins platform::today() for its lifetime.
class PinnedToday {
public:
    explicit PinnedToday(double day);
    ~PinnedToday();
    PinnedToday(const PinnedToday&) = delete;
    PinnedToday& operator=(const PinnedToday&) = delete;
};

// Day number of a calendar date.
double day(int y, int m, int d);

// Runs action on the next modal window to show after this call (a nested
// one, or the same one shown again; message boxes are the scripted
// responder's), while the same test function and data row are running. Call
// it before the code that shows the window; fails the running test when none
// shows in time. A modal window shown while no call waits for it fails the
// running test at once with its title and texts.
void whenModalShown(std::function<void(QWidget* modal)> action, int timeoutMs = 5000,
                    std::source_location where = std::source_location::current());

// A left click on button through the event system, as the user's mouse
// gives it: a window that swallows input does not see it either.
void click(QAbstractButton* button, std::source_location where = std::source_location::current());

// What a catalogue file holds, as far as a user could tell: its schema and
// every row of every table, and whether SQLite finds it intact. Opening it
// rolls back a hot journal, as the program's next opening would.
struct FileState {
    bool intact = false;
    QStringList contents;
};
FileState examine(const QString& path);
