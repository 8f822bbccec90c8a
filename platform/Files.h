#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <optional>

class QIODevice;

namespace platform {

// True for an existing file of any permissions; false for an empty path and
// for a directory.
bool fileExists(const QString& path);

bool deleteFile(const QString& path);

// Replaces an existing target atomically.
bool renameFile(const QString& from, const QString& to);

// Makes a new empty file, refusing one that exists (also one made a moment
// ago): 0, or the system's error number (EEXIST, EACCES, ...).
int createNewFile(const QString& path);
// Whether anything is at path, a link to nothing too.
bool pathTaken(const QString& path);

// Creates a new empty file named prefix + unique hex number + ".tmp" in
// folder ("" = current directory) and returns folder + "/" + name, or just the
// name when folder is empty. Throws std::runtime_error when it can't.
QString uniqueTempFile(const QString& folder, const QString& prefix);

// "/a/b" for "/a/b/c.mdb", "" for a bare file name, "/" for "/c.mdb".
QString folderOf(const QString& path);

// "c.mdb" for "/a/b/c.mdb".
QString fileNameOf(const QString& path);

// Folder of the running executable.
QString programFolder();
// Tests make their own folder the program's folder; empty restores it.
void overrideProgramFolder(const QString& folder);

// Whether this user may write path: a mount that is not read-only, and for
// root (whom access() lets write anything) a write permission bit, for
// anyone else access().
bool mayWrite(const QString& path);

// The folder that stands for the program's folder: the current folder at
// start, where the file dialogs begin, where a database is remembered by
// its bare name. The program's own folder while it may be written and is no
// installed program's place (/usr, /opt): a build folder, an unpacked copy;
// else the user's documents folder, or the home folder when there is none.
QString catalogueFolder();

// The settings file: Zandrel.ini in the program's folder while it may be
// written, else in the user's configuration folder ($XDG_CONFIG_HOME/Zandrel).
QString settingsFile();

// Writes a file all of it or nothing (a half-written file never replaces a
// good one); throws std::runtime_error with a Russian text when it can't.
void saveWhole(const QString& path, const std::function<void(QIODevice&)>& write);

// Flushes a file's contents to disk.
bool syncFile(const QString& path);

// Flushes a directory's entries to disk, so a rename in it survives a crash
// ("" = current directory). Where the system keeps no such list apart
// (Windows), there is nothing to do.
bool syncFolder(const QString& folder);

// Whether path lives on a network or user-space file system (NFS, SMB/CIFS,
// FUSE, 9P and the like; on Windows a remote drive or a UNC path): there
// SQLite's locks are not to be trusted with more than one writer, and a
// whole-file rewrite goes over the wire. Tests pretend either way.
bool isNetworkFileSystem(const QString& path);
void pretendNetworkFileSystem(std::optional<bool> network); // nullopt: ask the system

// The system's own answer (FilesPosix.cpp, FilesWindows.cpp).
bool systemSaysNetworkFileSystem(const QString& path);

// Where installed software lives (/usr, /opt; Program Files): a place that is
// nobody's own even when its user may write it.
bool isInstalledSoftwarePlace(const QString& canonicalFolder);
// The folder of the user's settings: $XDG_CONFIG_HOME (~/.config); %APPDATA%.
QString userSettingsFolder();
// The folder of the user's data: $XDG_DATA_HOME (~/.local/share);
// %LOCALAPPDATA%, unless XDG_DATA_HOME names another (as each test's own).
QString userDataFolder();

// The folder of the user's state that outlives a run but is no setting:
// $XDG_STATE_HOME (~/.local/state); %LOCALAPPDATA%.
QString userStateFolder();

// Text for a person reading the program's output (stdout, stderr): the
// system's encoding; on Windows a console's own text, else UTF-8.
void print(FILE* stream, const QString& text);

// The program's command line as the user gave it, file names of any letters
// included: on Windows from the wide-character line (main's argv holds only
// what the ANSI code page can spell), elsewhere argv as the system encodes it.
QStringList commandLine(int argc, char* argv[]);

// This process's peak resident memory in bytes; -1 when unknown.
qint64 peakMemoryBytes();

// An exclusive lock on a file, held while this lives (and by no child the
// process starts): what tells a file that is being worked on from one a
// killed process left. Dropped when the process ends, however it ends.
class FileLock {
public:
    explicit FileLock(const QString& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return m_handle >= 0; }

private:
    int m_handle = -1;
};

// Whether a process holds path's FileLock now.
bool lockedByAnyone(const QString& path);

// Moves the finished file from into place at to, never replacing a file
// that exists there: a hard link where the folder's file system has them,
// else a rename that refuses to replace, else a copy into a new file. from
// is gone afterwards. Returns 0, or the system's error number (EEXIST when
// to exists).
enum class Placement { Any, RenameOrCopy, CopyOnly };
int placeNewFile(const QString& from, const QString& to, Placement allowed = Placement::Any);

// A system error number (errno's numbers, also for Windows' errors) in the
// program's own words: "на диске нет места", with the system's text after
// it where the words are general.
QString systemErrorText(int error);

} // namespace platform
