// Locks, placing a finished file, and system errors in words: POSIX.
#include "platform/Files.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

FileLock::FileLock(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    // flock, not fcntl: SQLite's own locks on the same file stay apart, and
    // closing another handle of it does not drop this one.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        m_handle = fd;
    else
        ::close(fd);
}

FileLock::~FileLock() {
    if (m_handle >= 0)
        ::close(m_handle);
}

bool lockedByAnyone(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

namespace {

// Copies from into a new file to (refused when one exists), synced.
int copyIntoNewFile(const QByteArray& from, const QByteArray& to) {
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    int error = 0;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        for (ssize_t done = 0; done < got && !error;) {
            const ssize_t put = ::write(out, buffer + done, size_t(got - done));
            if (put < 0 && errno != EINTR)
                error = errno;
            else if (put > 0)
                done += put;
        }
        if (error)
            break;
    }
    if (!error && ::fsync(out) != 0)
        error = errno;
    if (::close(out) != 0 && !error)
        error = errno;
    ::close(in);
    if (error)
        ::unlink(to.constData()); // the half-made copy is ours alone
    return error;
}

// The file system cannot do this at all (FAT, some network shares).
bool unsupported(int error) { return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL; }

} // namespace

int placeNewFile(const QString& from, const QString& to, Placement allowed) {
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
    if (allowed == Placement::Any) {
        if (::link(source.constData(), target.constData()) == 0) {
            ::unlink(source.constData());
            return 0;
        }
        if (!unsupported(errno))
            return errno;
    }
    if (allowed != Placement::CopyOnly) {
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
            return 0;
        if (!unsupported(errno))
            return errno;
    }
    const int error = copyIntoNewFile(source, target);
    if (error == 0)
        ::unlink(source.constData());
    return error;
}

QString systemErrorText(int error) {
    switch (error) {
    case ENOSPC: return QStringLiteral("на диске нет места");
    case EDQUOT: return QStringLiteral("исчерпана дисковая квота");
    case EACCES:
    case EPERM: return QStringLiteral("нет прав на запись в эту папку");
    case EROFS: return QStringLiteral("диск доступен только для чтения");
    case EEXIST: return QStringLiteral("такой файл уже есть");
    case ENOENT: return QStringLiteral("папка или файл не найдены");
    case EIO: return QStringLiteral("ошибка чтения или записи диска");
    case ENAMETOOLONG: return QStringLiteral("слишком длинное имя файла");
    default: return QStringLiteral("системная ошибка (%1)").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

} // namespace platform
