#pragma once
// Makes the benchmark's catalogue file: item tables filled with varied
// Latin and Cyrillic texts, a third of the items lent out, and contacts.
// The same options always give the same rows.
#include "bench/Options.h"

#include <QString>
#include <QStringList>
#include <cstdint>

namespace bench {

// What the operations need to know about the generated file.
struct Catalogue {
    QString path;
    QString big = QStringLiteral("Big");
    QStringList smallTables;           // T001..
    QString growthSmall, growthMedium; // empty when the size would be 0
    QStringList itemTables() const { return QStringList{big} + smallTables; }
};

Catalogue describeCatalogue(const Options& options, const QString& path);

// Creates the file (which must not exist): tables through the catalogue's
// own dialect, rows through plain SQLite in one transaction. Returns the
// number of rows written.
int64_t generateCatalogue(const Options& options, const Catalogue& catalogue);

// An existing file is reused only when it holds exactly the tables and row
// counts the options ask for; otherwise why says what differs.
bool catalogueMatches(const Options& options, const Catalogue& catalogue, QString& why);

// The contact of the first lent-out item of Big, so the contact search
// finds rows.
int64_t contactWithItems(const Catalogue& catalogue);

} // namespace bench
