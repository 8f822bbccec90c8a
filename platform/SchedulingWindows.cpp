// A daily run on Windows: a task of the user's own in the Task Scheduler
// (no administrator rights; a start the computer missed made up as soon as
// it can), else a shortcut in the user's Startup folder that runs it at
// each logon.
#include "platform/Files.h"
#include "platform/Scheduling.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace platform {

namespace {

const QString kTask = QStringLiteral("Zandrel\\Напоминания");

// The system's schtasks.exe; ZANDREL_SCHTASKS names a stand-in (tests).
QString schtasksProgram() {
    const QString given = qEnvironmentVariable("ZANDREL_SCHTASKS");
    if (!given.isEmpty())
        return given;
    return QDir::fromNativeSeparators(qEnvironmentVariable("SystemRoot")) + QStringLiteral("/System32/schtasks.exe");
}

bool schtasks(const QStringList& arguments) {
    QProcess p;
    p.start(schtasksProgram(), arguments);
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Arguments as a Windows program's start-up code splits them again.
QString commandLineOf(const QStringList& arguments) {
    QStringList words;
    for (const QString& a : arguments) {
        QString w = a;
        w.replace(u'"', QStringLiteral("\\\""));
        words << (w.contains(u' ') || w.isEmpty() ? u'"' + w + u'"' : w);
    }
    return words.join(u' ');
}

// Whether the shortcut itself is there: Qt takes a shortcut for its target,
// which may be gone.
bool shortcutThere(const QString& path) {
    return GetFileAttributesW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()))
           != INVALID_FILE_ATTRIBUTES;
}

QString startupFolder() {
    PWSTR path = nullptr;
    QString folder;
    if (SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &path) == S_OK)
        folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
    CoTaskMemFree(path);
    return folder;
}

// A shell link at path that starts program with arguments.
bool writeShortcut(const QString& path, const QString& program, const QStringList& arguments) {
    const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool written = false;
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        const QString target = QDir::toNativeSeparators(program), args = commandLineOf(arguments);
        link->SetPath(reinterpret_cast<LPCWSTR>(target.utf16()));
        link->SetArguments(reinterpret_cast<LPCWSTR>(args.utf16()));
        const QString description = QStringLiteral("Zandrel: проверка сроков возврата при входе в систему");
        link->SetDescription(reinterpret_cast<LPCWSTR>(description.utf16()));
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            QDir().mkpath(folderOf(path));
            const QString native = QDir::toNativeSeparators(path);
            written = SUCCEEDED(file->Save(reinterpret_cast<LPCWSTR>(native.utf16()), TRUE));
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(started))
        CoUninitialize();
    return written;
}

// The definition as the Task Scheduler reads it: UTF-16 with its mark.
bool writeDefinition(const QString& path, const QString& text) {
    QDir().mkpath(folderOf(path));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const char16_t mark = 0xFEFF;
    f.write(reinterpret_cast<const char*>(&mark), 2);
    f.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return f.commit();
}

} // namespace

QString dailyRunTimerFile() { return userSettingsFolder() + QStringLiteral("/Zandrel/zandrel-check-due.xml"); }
QString dailyRunServiceFile() { return {}; }
QString dailyRunAutostartFile() { return startupFolder() + QStringLiteral("/Zandrel - напоминания.lnk"); }
QString timerUnitText(const QTime&) { return {}; }
QString serviceUnitText(const QString&, const QStringList&) { return {}; }

QString taskDefinitionText(const QTime& time, const QString& program, const QStringList& arguments) {
    const QString start = QDate::currentDate().toString(Qt::ISODate) + u'T' + time.toString(QStringLiteral("HH:mm"))
                          + QStringLiteral(":00");
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
               "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
               "  <RegistrationInfo><Description>Zandrel: проверка сроков возврата</Description></RegistrationInfo>\n"
               "  <Triggers><CalendarTrigger><StartBoundary>%1</StartBoundary><Enabled>true</Enabled>"
               "<ScheduleByDay><DaysInterval>1</DaysInterval></ScheduleByDay></CalendarTrigger></Triggers>\n"
               "  <Principals><Principal id=\"Author\"><LogonType>InteractiveToken</LogonType>"
               "<RunLevel>LeastPrivilege</RunLevel></Principal></Principals>\n"
               "  <Settings><StartWhenAvailable>true</StartWhenAvailable>"
               "<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"
               "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"
               "<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>"
               "<ExecutionTimeLimit>PT1H</ExecutionTimeLimit><Enabled>true</Enabled></Settings>\n"
               "  <Actions Context=\"Author\"><Exec><Command>%2</Command><Arguments>%3</Arguments></Exec></Actions>\n"
               "</Task>\n")
        .arg(start, QDir::toNativeSeparators(program).toHtmlEscaped(), commandLineOf(arguments).toHtmlEscaped());
}

DailyRun scheduleDailyRun(const QTime& time, const QString& program, const QStringList& arguments, QString* error) {
    removeDailyRun();
    const QString definition = dailyRunTimerFile();
    if (writeDefinition(definition, taskDefinitionText(time, program, arguments))
        && schtasks({QStringLiteral("/Create"), QStringLiteral("/XML"), QDir::toNativeSeparators(definition),
                     QStringLiteral("/TN"), kTask, QStringLiteral("/F")}))
        return DailyRun::Timer;
    QFile::remove(definition);
    const QString shortcut = dailyRunAutostartFile();
    if (!startupFolder().isEmpty() && writeShortcut(shortcut, program, arguments))
        return DailyRun::Autostart;
    if (error)
        *error = QStringLiteral("Не удалось записать ни задание Планировщика заданий, ни ярлык '%1'.").arg(shortcut);
    return DailyRun::None;
}

void removeDailyRun() {
    if (QFile::exists(dailyRunTimerFile())) {
        schtasks({QStringLiteral("/Delete"), QStringLiteral("/TN"), kTask, QStringLiteral("/F")});
        QFile::remove(dailyRunTimerFile());
    }
    if (!startupFolder().isEmpty())
        QFile::remove(dailyRunAutostartFile());
}

DailyRun dailyRun() {
    if (QFile::exists(dailyRunTimerFile()))
        return DailyRun::Timer;
    return !startupFolder().isEmpty() && shortcutThere(dailyRunAutostartFile()) ? DailyRun::Autostart : DailyRun::None;
}

QString describeDailyRun(DailyRun run, const QTime& time) {
    switch (run) {
    case DailyRun::Timer:
        return QStringLiteral("Проверка настроена: задание Планировщика заданий Windows «%1», каждый день в %2 "
                              "(пропущенная проверка выполняется, как только компьютер включён).")
            .arg(kTask, time.toString(QStringLiteral("HH:mm")));
    case DailyRun::Autostart:
        return QStringLiteral("Проверка настроена: ярлык в папке автозагрузки, при входе в систему.");
    case DailyRun::None: break;
    }
    return QStringLiteral("Проверка при закрытой программе не настроена.");
}

} // namespace platform
