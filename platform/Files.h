#pragma once

#include <QString>

namespace platform {

// True for an existing file of any permissions; false for an empty path and
// for a directory.
bool fileExists(const QString& path);

bool deleteFile(const QString& path);

// Replaces an existing target atomically (POSIX rename).
bool renameFile(const QString& from, const QString& to);

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

// Flushes a file's contents to disk.
bool syncFile(const QString& path);

// Flushes a directory's entries to disk, so a rename in it survives a crash
// ("" = current directory).
bool syncFolder(const QString& folder);

} // namespace platform
