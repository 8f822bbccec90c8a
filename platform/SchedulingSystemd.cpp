// A daily run on Linux: a systemd user timer, or an XDG autostart entry.
#include "platform/Scheduling.h"

#include "platform/Files.h"
#include "platform/Version.h"

#include <QDir>
#include <QProcess>
#include <QSaveFile>

namespace platform {

namespace {

const QString kUnit = QStringLiteral("zandrel-check-due");

// One word of a command line as both systemd and desktop entries read it:
// quoted, with the characters either treats as special escaped.
QString quoted(const QString& word) {
    QString w = word;
    w.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\"")).replace(u'%', QStringLiteral("%%"));
    return u'"' + w + u'"';
}
QString commandLineOf(const QString& program, const QStringList& arguments) {
    QStringList words{quoted(program)};
    for (const QString& a : arguments)
        words << quoted(a);
    return words.join(u' ');
}

bool writeWhole(const QString& path, const QString& text) {
    QDir().mkpath(folderOf(path));
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) >= 0 && f.commit();
}

bool systemctl(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral("systemctl"), QStringList{QStringLiteral("--user")} + arguments);
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString configFolder() { return userSettingsFolder(); }

} // namespace

QString dailyRunTimerFile() {
    return configFolder() + QStringLiteral("/systemd/user/") + kUnit + QStringLiteral(".timer");
}
QString dailyRunServiceFile() {
    return configFolder() + QStringLiteral("/systemd/user/") + kUnit + QStringLiteral(".service");
}
QString dailyRunAutostartFile() {
    return configFolder() + QStringLiteral("/autostart/") + kUnit + QStringLiteral(".desktop");
}

QString timerUnitText(const QTime& time) {
    return QStringLiteral("[Unit]\nDescription=Zandrel: проверка сроков возврата\n\n"
                          "[Timer]\nOnCalendar=*-*-* %1:00\nPersistent=true\n\n"
                          "[Install]\nWantedBy=timers.target\n")
        .arg(time.toString(QStringLiteral("HH:mm")));
}

QString serviceUnitText(const QString& program, const QStringList& arguments) {
    return QStringLiteral("[Unit]\nDescription=Zandrel: проверка сроков возврата\n\n"
                          "[Service]\nType=exec\nExecStart=%1\n")
        .arg(commandLineOf(program, arguments));
}

DailyRun scheduleDailyRun(const QTime& time, const QString& program, const QStringList& arguments, QString* error) {
    removeDailyRun();
    if (writeWhole(dailyRunServiceFile(), serviceUnitText(program, arguments))
        && writeWhole(dailyRunTimerFile(), timerUnitText(time)) && systemctl({QStringLiteral("daemon-reload")})
        && systemctl({QStringLiteral("enable"), QStringLiteral("--now"), kUnit + QStringLiteral(".timer")}))
        return DailyRun::Timer;
    QFile::remove(dailyRunServiceFile());
    QFile::remove(dailyRunTimerFile());
    QDir().rmdir(folderOf(dailyRunTimerFile())); // only when this left it empty
    const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=Zandrel: напоминания\n"
                                         "Comment=Проверка сроков возврата при входе в систему\n"
                                         "Exec=%1\nIcon=%2\nNoDisplay=true\nTerminal=false\n")
                              .arg(commandLineOf(program, arguments), applicationId());
    if (writeWhole(dailyRunAutostartFile(), entry))
        return DailyRun::Autostart;
    if (error)
        *error = QStringLiteral("Не удалось записать файл '%1'.").arg(dailyRunAutostartFile());
    return DailyRun::None;
}

void removeDailyRun() {
    if (QFile::exists(dailyRunTimerFile())) {
        systemctl({QStringLiteral("disable"), QStringLiteral("--now"), kUnit + QStringLiteral(".timer")});
        QFile::remove(dailyRunTimerFile());
        QFile::remove(dailyRunServiceFile());
        systemctl({QStringLiteral("daemon-reload")});
    }
    QFile::remove(dailyRunServiceFile());
    QFile::remove(dailyRunAutostartFile());
}

DailyRun dailyRun() {
    if (QFile::exists(dailyRunTimerFile()))
        return DailyRun::Timer;
    return QFile::exists(dailyRunAutostartFile()) ? DailyRun::Autostart : DailyRun::None;
}

QString describeDailyRun(DailyRun run, const QTime& time) {
    switch (run) {
    case DailyRun::Timer:
        return QStringLiteral("Проверка настроена: таймер systemd пользователя, каждый день в %1 (пропущенная "
                              "проверка выполняется после включения компьютера).")
            .arg(time.toString(QStringLiteral("HH:mm")));
    case DailyRun::Autostart: return QStringLiteral("Проверка настроена: автозапуск при входе в систему.");
    case DailyRun::None: break;
    }
    return QStringLiteral("Проверка при закрытой программе не настроена.");
}

} // namespace platform
