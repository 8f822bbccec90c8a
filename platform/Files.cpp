#include "platform/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
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

QString joinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

} // namespace

bool fileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool deleteFile(const QString& path) { return !path.isEmpty() && QFile::remove(path); }

bool renameFile(const QString& from, const QString& to) {
    // QFile::rename refuses to replace an existing target; replacing is the point here.
    if (from.isEmpty() || to.isEmpty())
        return false;
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

QString uniqueTempFile(const QString& folder, const QString& prefix) {
    // Four hex digits like the classic temp names; start at a random point so
    // concurrent callers rarely collide, then walk the whole range once.
    constexpr quint32 range = 0xFFFF;
    const quint32 start = QRandomGenerator::global()->bounded(range);
    for (quint32 i = 0; i < range; ++i) {
        const quint32 number = (start + i) % range + 1;
        const QString name = prefix + QString::number(number, 16).toUpper() + QStringLiteral(".tmp");
        const QString path = joinPath(folder, name);
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            break;
    }
    const QString where = folder.isEmpty() ? QStringLiteral("текущей папке") : QStringLiteral("папке «%1»").arg(folder);
    throw std::runtime_error(QStringLiteral("Не удалось создать временный файл в %1").arg(where).toStdString());
}

QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    if (slash == 0)
        return QStringLiteral("/");
    return path.left(slash);
}

QString fileNameOf(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

namespace {
QString& programFolderOverride() {
    static QString folder;
    return folder;
}
} // namespace

QString programFolder() {
    const QString& forced = programFolderOverride();
    return forced.isEmpty() ? QCoreApplication::applicationDirPath() : forced;
}

void overrideProgramFolder(const QString& folder) { programFolderOverride() = folder; }

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

namespace {

// The program's folder is its user's own only when they may write it and it
// is no place where installed software lives: root may write /usr/bin, yet
// settings and databases there would be nobody's.
bool programFolderIsTheUsers() {
    const QString folder = QFileInfo(programFolder()).canonicalFilePath();
    for (const char* system : {"/usr/", "/opt/", "/bin", "/sbin", "/snap/"})
        if (folder.startsWith(QLatin1String(system)))
            return false;
    return mayWrite(programFolder());
}

} // namespace

QString catalogueFolder() {
    if (programFolderIsTheUsers())
        return programFolder();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString settingsFile() {
    const QString name = QStringLiteral("Zandrel.ini");
    if (programFolderIsTheUsers())
        return programFolder() + u'/' + name;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Zandrel/") + name;
}

bool syncFile(const QString& path) { return !path.isEmpty() && syncPath(path, O_RDONLY); }

bool syncFolder(const QString& folder) {
    return syncPath(folder.isEmpty() ? QStringLiteral(".") : folder, O_RDONLY | O_DIRECTORY);
}

} // namespace platform
