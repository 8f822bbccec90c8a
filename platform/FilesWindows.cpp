// What files need of the system, Windows: the same as FilesPosix.cpp through
// the wide-character calls, so names of any letters work; Windows' errors
// are told as errno's numbers.
#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <windows.h>

#include <psapi.h>
#include <shellapi.h>

namespace platform {

namespace {

std::wstring wide(const QString& path) { return QDir::toNativeSeparators(path).toStdWString(); }

// Windows' error as errno's number, for one set of words for both systems.
int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_NOT_SUPPORTED: return EOPNOTSUPP;
    default: return EIO;
    }
}

HANDLE openExisting(const QString& path, DWORD access) {
    return CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

bool syncFile(const QString& path) {
    const HANDLE file = openExisting(path, GENERIC_WRITE);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = FlushFileBuffers(file);
    CloseHandle(file);
    return ok;
}

bool syncFolder(const QString&) { return true; } // a rename is written through (MOVEFILE_WRITE_THROUGH)

bool renameFile(const QString& from, const QString& to) {
    if (from.isEmpty() || to.isEmpty())
        return false;
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

int createNewFile(const QString& path) {
    const HANDLE file =
        CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return errnoOf(GetLastError());
    CloseHandle(file);
    return 0;
}

bool pathTaken(const QString& path) { return GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool mayWrite(const QString& path) {
    const DWORD attributes = GetFileAttributesW(wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return !(attributes & FILE_ATTRIBUTE_READONLY) && QFileInfo(path).isWritable();
    // A folder's read-only mark means nothing on Windows: try it.
    const QString probe = QDir(path).filePath(QStringLiteral(".zandrel-write-test"));
    const HANDLE file = CreateFileW(wide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_EXISTS;
    CloseHandle(file);
    return true;
}

bool isInstalledSoftwarePlace(const QString& folder) {
    for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot"}) {
        const QString place = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
        if (!place.isEmpty() && folder.startsWith(place, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString userDataFolder() {
    const QString given = qEnvironmentVariable("XDG_DATA_HOME");
    return !given.isEmpty() ? given : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

bool systemSaysNetworkFileSystem(const QString& path) {
    const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (native.startsWith(QLatin1String("\\\\")))
        return true;                                         // \\server\share
    const std::wstring root = native.left(3).toStdWString(); // "C:\"
    return GetDriveTypeW(root.c_str()) == DRIVE_REMOTE;
}

QString userStateFolder() {
    const QString given = qEnvironmentVariable("XDG_STATE_HOME");
    return !given.isEmpty() ? given : QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA"));
}

QString userSettingsFolder() { return QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA")); }

void print(FILE* stream, const QString& text) {
    std::fflush(stream);
    const HANDLE out = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) { // a console: its own wide characters
        WriteConsoleW(out, reinterpret_cast<const wchar_t*>(text.utf16()), DWORD(text.size()), &written, nullptr);
        return;
    }
    const QByteArray utf8 = text.toUtf8(); // a pipe or a file: UTF-8
    std::fwrite(utf8.constData(), 1, size_t(utf8.size()), stream);
    std::fflush(stream);
}

qint64 peakMemoryBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? qint64(counters.PeakWorkingSetSize)
                                                                                 : -1;
}

FileLock::FileLock(const QString& path) {
    const HANDLE file = openExisting(path, GENERIC_READ);
    if (file == INVALID_HANDLE_VALUE)
        return;
    // One byte far beyond any data: Windows' locks are mandatory, and SQLite
    // must go on reading and writing the file (its own lock bytes lie at 1 GiB).
    OVERLAPPED at{};
    at.OffsetHigh = 0x40000000u;
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
        m_handle = int(reinterpret_cast<intptr_t>(file)); // a kernel handle's value fits an int
    else
        CloseHandle(file);
}

FileLock::~FileLock() {
    if (m_handle >= 0)
        CloseHandle(reinterpret_cast<HANDLE>(intptr_t(m_handle)));
}

bool lockedByAnyone(const QString& path) {
    const FileLock probe(path);
    return pathTaken(path) && !probe.held();
}

int placeNewFile(const QString& from, const QString& to, Placement allowed) {
    // A move that never replaces: NTFS, FAT and network shares alike.
    if (allowed != Placement::CopyOnly) {
        if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_WRITE_THROUGH))
            return 0;
        if (GetLastError() != ERROR_NOT_SAME_DEVICE)
            return errnoOf(GetLastError());
    }
    if (!CopyFileW(wide(from).c_str(), wide(to).c_str(), TRUE))
        return errnoOf(GetLastError());
    DeleteFileW(wide(from).c_str());
    return 0;
}

QStringList commandLine(int, char*[]) {
    QStringList arguments;
    int count = 0;
    if (LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments << QString::fromWCharArray(words[i]);
        LocalFree(words);
    }
    return arguments;
}

QString computerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? QString::fromWCharArray(name, int(size)) : QStringLiteral("?");
}

QString accountName() {
    wchar_t name[257] = {};
    DWORD size = 257;
    return GetUserNameW(name, &size) && size > 0 ? QString::fromWCharArray(name, int(size) - 1) : QStringLiteral("?");
}

bool isZandrelProcess(qint64 process) {
    const HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(process));
    if (!h)
        return false;
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool named = QueryFullProcessImageNameW(h, 0, path, &size);
    DWORD code = 0;
    const bool running = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    CloseHandle(h);
    return named && running
           && QString::fromWCharArray(path, int(size))
                      .section(u'\\', -1)
                      .compare(QLatin1String("zandrel.exe"), Qt::CaseInsensitive)
                  == 0;
}

} // namespace platform
