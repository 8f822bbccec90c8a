#include "reminders/CheckDue.h"

#include "engine/EngineError.h"
#include "platform/Files.h"
#include "platform/Notifications.h"
#include "platform/Today.h"
#include "platform/Version.h"
#include "reminders/DueLoans.h"
#include "reminders/ReminderSettings.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

namespace reminders {

namespace {

// "yyyy-MM-dd<TAB>path" a line.
QHash<QString, QString> readNoticeDays() {
    QHash<QString, QString> days;
    QFile f(noticeDaysFile());
    if (!f.open(QIODevice::ReadOnly))
        return days;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() == 2)
            days.insert(QString::fromUtf8(parts[1]), QString::fromUtf8(parts[0]));
    }
    return days;
}

void writeNoticeDays(const QHash<QString, QString>& days) {
    QDir().mkpath(platform::folderOf(noticeDaysFile()));
    QSaveFile f(noticeDaysFile());
    if (!f.open(QIODevice::WriteOnly))
        return;
    for (auto i = days.cbegin(); i != days.cend(); ++i)
        f.write(i.value().toUtf8() + '\t' + i.key().toUtf8() + '\n');
    f.commit();
}

QString dayText(double day) { return platform::dateTimeOfDayNumber(day).date().toString(Qt::ISODate); }

} // namespace

QString noticeDaysFile() { return platform::userStateFolder() + QStringLiteral("/Zandrel/notified"); }

int checkDue(const CheckRequest& request) {
    const double today = platform::today();
    QStringList files;
    for (const QString& f : request.files.isEmpty() ? cataloguesToCheck() : request.files)
        files << QFileInfo(f).absoluteFilePath();
    QHash<QString, QString> days = readNoticeDays();
    const ReminderSettings settings = readSettings();
    const Cadence cadence{settings.before, settings.every};
    QList<platform::Notification> notices;
    QStringList noticed;
    for (const QString& file : std::as_const(files)) {
        DueLoans due;
        try {
            due = dueLoansOf(file, today, cadence);
        } catch (const engine::EngineError& e) {
            platform::print(stderr, QStringLiteral("%1: пропущен: %2\n").arg(file, e.message()));
            continue;
        }
        if (!due.any() || (!request.force && days.value(file) == dayText(today)))
            continue;
        const Notice n = noticeOf(platform::fileNameOf(file), due);
        notices << platform::Notification{n.summary, n.body, n.critical, platform::applicationId(),
                                          QStringLiteral("Открыть")};
        noticed << file;
        days.insert(file, dayText(today));
    }
    if (notices.isEmpty())
        return 0;
    writeNoticeDays(days); // before waiting: a check meanwhile stays silent
    // Each catalogue told once: what the desktop does not show, on standard output.
    platform::showNotifications(
        notices, [&](int i) { request.open(noticed.value(i)); },
        [&](int i) { platform::print(stdout, notices[i].summary + u'\n' + notices[i].body + QStringLiteral("\n\n")); },
        request.waitMs);
    return 0;
}

} // namespace reminders
