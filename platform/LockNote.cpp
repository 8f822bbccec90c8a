#include "platform/LockNote.h"

#include "platform/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace platform {

namespace {

QString userName() {
    for (const char* name : {"USER", "USERNAME", "LOGNAME"})
        if (const QString user = qEnvironmentVariable(name); !user.isEmpty())
            return user;
    return accountName();
}

QString ownName(const QString& catalogue, const char* suffix) {
    return lockNotePath(catalogue) + QStringLiteral(".%1.%2").arg(QCoreApplication::applicationPid()).arg(suffix);
}

// The note's text written whole into a file of this process's own.
bool writeWhole(const QString& path) {
    const QByteArray text = QStringLiteral("user=%1\ncomputer=%2\nprocess=%3\nsince=%4\n")
                                .arg(userName(), computerName())
                                .arg(QCoreApplication::applicationPid())
                                .arg(QDateTime::currentDateTime().toString(Qt::ISODate))
                                .toUtf8();
    QFile::remove(path); // this process's own, left by a claim cut short
    if (createNewFile(path) != 0)
        return false;
    QFile f(path);
    const bool written = f.open(QIODevice::WriteOnly) && f.write(text) == text.size() && f.flush();
    f.close();
    if (!written || f.error() != QFileDevice::NoError) {
        QFile::remove(path);
        return false;
    }
    return true;
}

} // namespace

bool LockNote::ownerAlive() const {
    if (!readable())
        return written.isValid() && written.secsTo(QDateTime::currentDateTime()) < 60;
    if (computer == computerName())
        return isZandrelProcess(process);
    return since.isValid() && since.secsTo(QDateTime::currentDateTime()) < 12 * 3600;
}

bool LockNote::ours() const { return computer == computerName() && process == QCoreApplication::applicationPid(); }

QString lockNotePath(const QString& catalogue) { return catalogue + QStringLiteral(".lock"); }

std::optional<LockNote> readLockNote(const QString& catalogue) {
    QFile f(lockNotePath(catalogue));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    LockNote note;
    note.text = f.read(4096);
    note.written = QFileInfo(f).lastModified();
    for (const QString& line : QString::fromUtf8(note.text).split(u'\n')) {
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

NoteClaim claimLockNote(const QString& catalogue) {
    const QString whole = ownName(catalogue, "tmp");
    if (!writeWhole(whole))
        return NoteClaim::NotMade;
    const int error = placeNewFile(whole, lockNotePath(catalogue));
    QFile::remove(whole); // where it could not be placed
    if (error == 0)
        return NoteClaim::Made;
    return error == EEXIST ? NoteClaim::Taken : NoteClaim::NotMade;
}

NoteClaim takeOverLockNote(const QString& catalogue, const LockNote& seen) {
    // Moved aside first: of two programs replacing one note, only one moves
    // the note it saw; the other finds a note it did not see and puts it back.
    const QString aside = ownName(catalogue, "old");
    QFile::remove(aside);
    if (renameFile(lockNotePath(catalogue), aside)) {
        QFile moved(aside);
        const QByteArray text = moved.open(QIODevice::ReadOnly) ? moved.read(4096) : QByteArray();
        moved.close();
        if (text != seen.text) {
            placeNewFile(aside, lockNotePath(catalogue));
            QFile::remove(aside);
            return NoteClaim::Taken;
        }
        QFile::remove(aside);
    }
    return claimLockNote(catalogue);
}

void removeLockNote(const QString& catalogue) {
    const std::optional<LockNote> note = readLockNote(catalogue);
    if (note && note->ours())
        QFile::remove(lockNotePath(catalogue));
}

} // namespace platform
