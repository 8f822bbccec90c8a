#pragma once
// A command run every day at a time of day while the program is closed,
// set up for the user alone: on Linux a systemd user timer (a missed run
// made up after the computer starts) where the user's service manager
// answers, else an autostart entry that runs it at each login; on Windows a
// task of the user's in the Task Scheduler (a missed run made up as soon as
// the computer can), else a shortcut in the Startup folder.
#include <QString>
#include <QStringList>
#include <QTime>

namespace platform {

// Timer: the system's scheduler (systemd's timer, the Task Scheduler).
enum class DailyRun { None, Timer, Autostart };

// Sets up program arguments to run daily at time, replacing what was set up
// before; None (and *error) when neither can be.
DailyRun scheduleDailyRun(const QTime& time, const QString& program, const QStringList& arguments,
                          QString* error = nullptr);
// Removes what scheduleDailyRun wrote.
void removeDailyRun();
// What is set up now.
DailyRun dailyRun();
// What the user is told of it, in the system's words.
QString describeDailyRun(DailyRun run, const QTime& time);

// The files it writes: the timer and its service, the autostart entry (on
// Windows: the task's definition as registered, none, the shortcut).
QString dailyRunTimerFile();
QString dailyRunServiceFile();
QString dailyRunAutostartFile();
// The unit files' text, for a check by the service manager's own tools.
QString timerUnitText(const QTime& time);
QString serviceUnitText(const QString& program, const QStringList& arguments);
#ifdef _WIN32
// The task's definition as the Task Scheduler reads it.
QString taskDefinitionText(const QTime& time, const QString& program, const QStringList& arguments);
#endif

} // namespace platform
