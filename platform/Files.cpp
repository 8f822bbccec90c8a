#include "platform/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace platform {

namespace {

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

QString uniqueTempFile(const QString& folder, const QString& prefix) {
    // Four hex digits like the classic temp names; start at a random point so
    // concurrent callers rarely collide, then walk the whole range once.
    constexpr quint32 range = 0xFFFF;
    const quint32 start = QRandomGenerator::global()->bounded(range);
    for (quint32 i = 0; i < range; ++i) {
        const quint32 number = (start + i) % range + 1;
        const QString name = prefix + QString::number(number, 16).toUpper() + QStringLiteral(".tmp");
        const QString path = joinPath(folder, name);
        const int error = createNewFile(path);
        if (error == 0)
            return path;
        if (error != EEXIST)
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

namespace {

// The program's folder is its user's own only when they may write it and it
// is no place where installed software lives: root may write /usr/bin, yet
// settings and databases there would be nobody's.
bool programFolderIsTheUsers() {
    return !isInstalledSoftwarePlace(QFileInfo(programFolder()).canonicalFilePath()) && mayWrite(programFolder());
}

} // namespace

QString catalogueFolder() {
    if (programFolderIsTheUsers())
        return programFolder();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

QString systemErrorText(int error) {
    switch (error) {
    case ENOSPC: return QStringLiteral("на диске нет места");
#ifdef EDQUOT
    case EDQUOT: return QStringLiteral("исчерпана дисковая квота");
#endif
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

QString settingsFile() {
    const QString name = QStringLiteral("Zandrel.ini");
    if (programFolderIsTheUsers())
        return programFolder() + u'/' + name;
    return userSettingsFolder() + QStringLiteral("/Zandrel/") + name;
}

void saveWhole(const QString& path, const std::function<void(QIODevice&)>& write) {
    QSaveFile file(path);
    const auto fail = [&] {
        throw std::runtime_error(
            QStringLiteral("Не удалось записать файл '%1': %2").arg(path, file.errorString()).toStdString());
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    write(file);
    if (!file.commit())
        fail();
}

namespace {
std::optional<bool> pretendedNetwork;
} // namespace

void pretendNetworkFileSystem(std::optional<bool> network) { pretendedNetwork = network; }

bool isNetworkFileSystem(const QString& path) {
    return pretendedNetwork ? *pretendedNetwork : systemSaysNetworkFileSystem(path);
}

} // namespace platform
