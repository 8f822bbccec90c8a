#pragma once
// Whole copies of a catalogue file: a consistent copy made while the file
// may be open elsewhere, and such a copy written back into the file in
// place, as the compaction writes (the file keeps its inode, owner, links
// and permissions; a crash leaves the old or the new contents).
#include <QString>

namespace engine {

// A consistent copy of source at target (which must not exist), through
// SQLite's backup API, synced to disk. On failure target is removed.
void copyDatabase(const QString& source, const QString& target);

// Writes copy's pages into file under file's rollback journal. A copy that
// fails SQLite's integrity check is refused and file stays as it was; so
// does a file another program is writing in.
void restoreInPlace(const QString& copy, const QString& file);

// The change counter SQLite's header keeps (every committed write moves it)
// and the file's size: what tells whether the file changed. -1 when unread.
struct FileStamp {
    qint64 size = -1;
    qint64 changes = -1;
    bool operator==(const FileStamp&) const = default;
};
FileStamp stampOf(const QString& file);

} // namespace engine
