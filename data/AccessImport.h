#pragma once
// Bringing in a catalogue kept in an Access (Jet) file: the importer runs in
// a process of its own (libmdb is not built for hostile files) with limits
// on time and memory, writes a new catalogue under a temporary name, and
// only a file that passes SQLite's integrity check with every table's rows
// all there is moved into place. The Access file is only ever read.
#include <QString>

#include <functional>

namespace accessimport {

// Where the converted catalogue of an Access file goes: beside it as
// "name (Zandrel).mdb", or, where that folder may not be written, in the
// catalogue folder (else the user's data folder). The first of "name
// (Zandrel).mdb", "name (Zandrel 2).mdb", ... that does not exist, unless
// existingToo, when the first name is returned whether it exists or not.
QString targetFor(const QString& accessFile, bool existingToo = false);

struct Progress {
    int table = 0, tables = 0;
    qint64 rows = 0, totalRows = 0;
};

enum class Outcome { Done, Cancelled, Failed };
struct Result {
    Outcome outcome = Outcome::Failed;
    QString message;               // for a failure: what the user is told
    qint64 importerPeakBytes = -1; // the importer's peak resident memory, as it reports it
};

// Converts source into target, which must not exist. onProgress is called
// as the importer reports and every few tenths of a second; returning false
// cancels. Nothing is left behind unless the outcome is Done.
Result run(const QString& source, const QString& target, const std::function<bool(const Progress&)>& onProgress);

// The importer program: beside the executable, in its library folder when
// installed, in the build tree's jet/ folder. ZANDREL_JET_IMPORT overrides.
QString importerPath();

} // namespace accessimport
