// Where the program knows no way of the system to run it daily (Windows for
// now): nothing is set up, and the window says so.
#include "platform/Scheduling.h"

namespace platform {

DailyRun scheduleDailyRun(const QTime&, const QString&, const QStringList&, QString* error) {
    if (error)
        *error = QStringLiteral("В этой системе напоминания при закрытой программе пока не поддерживаются.");
    return DailyRun::None;
}
void removeDailyRun() {}
DailyRun dailyRun() { return DailyRun::None; }
QString dailyRunTimerFile() { return {}; }
QString dailyRunServiceFile() { return {}; }
QString dailyRunAutostartFile() { return {}; }
QString timerUnitText(const QTime&) { return {}; }
QString serviceUnitText(const QString&, const QStringList&) { return {}; }

} // namespace platform
