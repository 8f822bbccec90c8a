#pragma once
// A command run every day at a time of day while the program is closed,
// set up in the user's own folders only: on Linux a systemd user timer
// (a missed run made up after the computer starts) where the user's service
// manager answers, else an autostart entry that runs it at each login.
#include <QString>
#include <QStringList>
#include <QTime>

namespace platform {

enum class DailyRun { None, Timer, Autostart };

// Sets up program arguments to run daily at time, replacing what was set up
// before; None (and *error) when neither can be.
DailyRun scheduleDailyRun(const QTime& time, const QString& program, const QStringList& arguments,
                          QString* error = nullptr);
// Removes what scheduleDailyRun wrote.
void removeDailyRun();
// What is set up now.
DailyRun dailyRun();

// The files it writes: the timer and its service, the autostart entry.
QString dailyRunTimerFile();
QString dailyRunServiceFile();
QString dailyRunAutostartFile();
// The unit files' text, for a check by the service manager's own tools.
QString timerUnitText(const QTime& time);
QString serviceUnitText(const QString& program, const QStringList& arguments);

} // namespace platform
