#pragma once
// Whole-file operations: making a new empty catalogue file and compacting
// one, in place or into a copy.
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

namespace engine {

// Makes a new, empty database file at path. A path that exists is refused:
// this never deletes or overwrites a file.
void createDatabase(const QString& path);
// Makes the existing empty file at path a new, empty database (a file made
// and held by someone who wants the database in it).
void initializeDatabase(const QString& path);

// Writes a compacted copy of the closed file source to target, which must
// not exist, makes it durable and checks it. On failure target is removed.
void compactDatabase(const QString& source, const QString& target);

// Compacts the file in place with VACUUM under the rollback journal. A file
// another program is writing in is refused after the busy timeout, a damaged
// one (failing SQLite's quick check) is not touched at all; on any failure
// the journal leaves the file as it was, and the error says so.
void compactInPlace(const QString& file);

// Whether a file another process wrote is sound (SQLite's integrity check)
// and how many rows each of tables (every table when none are given) holds
// (-1 for a table it lacks): taken
// before such a file is moved into place. Throws when it cannot be read.
struct FileCheck {
    bool intact = false;
    QList<qint64> rows;
    QStringList names; // the tables asked about, or every table when none were
};
// A check whose stop becomes true ends soon after, with an error.
FileCheck checkFile(const QString& file, const QStringList& tables, const std::atomic<bool>* stop = nullptr);

// What the program says of a catalogue too damaged to compact.
QString damagedMessage(const QString& file);

} // namespace engine
