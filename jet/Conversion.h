#pragma once
// Bringing in a catalogue kept in an Access (Jet) file: the importer runs in
// a process of its own (a hostile file must not take the program down)
// with limits on time and memory, ending with the program, and writes a new
// catalogue under a temporary name that the program keeps locked; only a
// file that passes SQLite's integrity check with every table's rows all
// there is moved into place. The Access file is only ever read.
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

namespace accessimport {

// Where the converted catalogue of an Access file goes: beside it as
// "name (Zandrel).mdb", or, where that folder may not be written, in the
// catalogue folder (else the user's data folder): the first of "name
// (Zandrel).mdb", "name (Zandrel 2).mdb", ... that does not exist.
QString targetFor(const QString& accessFile);
// The newest conversion of the Access file made before (the highest of
// those names that exists there), or nothing.
QString newestConversion(const QString& accessFile);

struct Progress {
    int table = 0, tables = 0;
    qint64 rows = 0, totalRows = 0;
};

enum class Outcome { Done, Cancelled, Failed };
struct Result {
    Outcome outcome = Outcome::Failed;
    QString message;               // for a failure: what the user is told
    qint64 importerPeakBytes = -1; // the importer's peak resident memory, as it reports it
    // Tables whose names were made acceptable: (name in the catalogue, name in the Access file).
    QList<QPair<QString, QString>> renamed = {};
};

// Converts source into target, which must not exist. onProgress is called
// as the importer reports and every few tenths of a second; returning false
// cancels. Nothing is left behind unless the outcome is Done; what killed
// conversions left in target's folder is removed first.
Result run(const QString& source, const QString& target, const std::function<bool(const Progress&)>& onProgress);

// "Таблицы переименованы: «My Books» → «My_Books»." or nothing.
QString renamedText(const QList<QPair<QString, QString>>& renamed);

// The importer program: beside the executable, in its library folder when
// installed, in the build tree's jet/ folder. ZANDREL_JET_IMPORT overrides.
QString importerPath();

} // namespace accessimport
