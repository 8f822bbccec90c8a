// What files need of the system, POSIX: syncing, new files, renames,
// write permission, locks, placing a finished file, system errors in words.
#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

namespace {

bool syncPath(const QString& path, int flags) {
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

bool syncFile(const QString& path) { return !path.isEmpty() && syncPath(path, O_RDONLY); }

bool syncFolder(const QString& folder) {
    return syncPath(folder.isEmpty() ? QStringLiteral(".") : folder, O_RDONLY | O_DIRECTORY);
}

bool renameFile(const QString& from, const QString& to) {
    // QFile::rename refuses to replace an existing target; replacing is the point here.
    if (from.isEmpty() || to.isEmpty())
        return false;
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

int createNewFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

bool pathTaken(const QString& path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool mayWrite(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct statvfs mount;
    if (::statvfs(name.constData(), &mount) == 0 && (mount.f_flag & ST_RDONLY))
        return false;
    if (::geteuid() != 0)
        return ::access(name.constData(), W_OK) == 0;
    struct stat st;
    return ::stat(name.constData(), &st) == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

bool systemSaysNetworkFileSystem(const QString& path) {
    struct statfs fs;
    if (::statfs(QFile::encodeName(path).constData(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x65735546UL: // FUSE (sshfs, sync tools' mounts)
    case 0x01021997UL: // 9P
    case 0x564CUL:     // NCP
    case 0x73757245UL: // Coda
    case 0x5346414FUL: // AFS
    case 0x00C36400UL: // Ceph
    case 0x47504653UL: // GPFS
    case 0x0BD00BD0UL: // Lustre
        return true;
    default: return false;
    }
}

bool isInstalledSoftwarePlace(const QString& folder) {
    for (const char* system : {"/usr/", "/opt/", "/bin", "/sbin", "/snap/"})
        if (folder.startsWith(QLatin1String(system)))
            return true;
    return false;
}

QString userDataFolder() { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation); }

QString userStateFolder() {
    const QString given = qEnvironmentVariable("XDG_STATE_HOME");
    return !given.isEmpty() ? given : QDir::homePath() + QStringLiteral("/.local/state");
}

QString userSettingsFolder() { return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation); }

void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

qint64 peakMemoryBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

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

QStringList commandLine(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    return arguments;
}

QString computerName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? QString::fromLocal8Bit(name) : QStringLiteral("?");
}

QString accountName() {
    const struct passwd* account = ::getpwuid(::geteuid());
    return account && account->pw_name ? QString::fromLocal8Bit(account->pw_name) : QStringLiteral("?");
}

bool isZandrelProcess(qint64 process) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(process));
    return process > 0 && comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "zandrel";
}

} // namespace platform
