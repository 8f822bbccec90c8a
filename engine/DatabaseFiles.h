#pragma once
// Whole-file operations: making a new empty catalogue file and writing a
// compacted copy of a closed one.
#include <QString>

namespace engine {

// Makes a new, empty database file at path. A path that exists is refused:
// this never deletes or overwrites a file.
void createDatabase(const QString& path);

// Writes a compacted copy of the closed file source to target, which must
// not exist, makes it durable and checks it. On failure target is removed.
void compactDatabase(const QString& source, const QString& target);

// Compacts the closed file source in place: the copy is written to
// temporary (a free name beside it), checked, and renamed over the source in
// one step, all under an exclusive lock. On failure the source is untouched
// and temporary removed.
void compactInPlace(const QString& source, const QString& temporary);

} // namespace engine
