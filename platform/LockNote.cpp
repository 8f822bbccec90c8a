#include "platform/LockNote.h"

#include "platform/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace platform {

namespace {

QString userName() {
    for (const char* name : {"USER", "USERNAME", "LOGNAME"})
        if (const QString user = qEnvironmentVariable(name); !user.isEmpty())
            return user;
    return QDir::home().dirName();
}

} // namespace

bool LockNote::ownerAlive() const {
    if (computer == computerName())
        return isZandrelProcess(process);
    return since.isValid() && since.secsTo(QDateTime::currentDateTime()) < 12 * 3600;
}

bool LockNote::ours() const {
    return computer == computerName() && process == QCoreApplication::applicationPid();
}

QString lockNotePath(const QString& catalogue) { return catalogue + QStringLiteral(".lock"); }

std::optional<LockNote> readLockNote(const QString& catalogue) {
    QFile f(lockNotePath(catalogue));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    LockNote note;
    for (const QString& line : QString::fromUtf8(f.read(4096)).split(u'\n')) {
        const QString key = line.section(u'=', 0, 0), value = line.section(u'=', 1);
        if (key == u"user")
            note.user = value;
        else if (key == u"computer")
            note.computer = value;
        else if (key == u"process")
            note.process = value.toLongLong();
        else if (key == u"since")
            note.since = QDateTime::fromString(value, Qt::ISODate);
    }
    return note;
}

bool writeLockNote(const QString& catalogue) {
    const QString path = lockNotePath(catalogue);
    if (createNewFile(path) != 0)
        return false;
    QFile f(path);
    const QByteArray text = QStringLiteral("user=%1\ncomputer=%2\nprocess=%3\nsince=%4\n")
                                .arg(userName(), computerName())
                                .arg(QCoreApplication::applicationPid())
                                .arg(QDateTime::currentDateTime().toString(Qt::ISODate))
                                .toUtf8();
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) {
        f.remove();
        return false;
    }
    return true;
}

void removeLockNote(const QString& catalogue) {
    const std::optional<LockNote> note = readLockNote(catalogue);
    if (note && note->ours())
        QFile::remove(lockNotePath(catalogue));
}

} // namespace platform
