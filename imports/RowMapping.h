#pragma once
// Which column of a list gives which field of an item: guessed from the
// header's words, changed by the user; and a row made into a record by it.
#include "imports/Records.h"

#include <QStringList>

#include <array>

namespace imports {

enum Field { Title, Kind, Note, Debtor, Issue, Due, FieldCount };

// The field's caption, as the grid heads its column.
QString fieldCaption(Field field);

struct Mapping {
    std::array<int, FieldCount> columns; // -1: not imported
    bool header = false;                 // the first row names the columns
    Mapping() { columns.fill(-1); }
};

// The columns named by the header's words (Russian or English); a first
// row without any such word is data, and its first column the title.
Mapping guessMapping(const QStringList& firstRow);

// A row of nothing but blanks: no record, and no row to refuse.
bool isBlank(const QStringList& cells);

// The row (its number in the file) as a record, checked.
Record recordOf(const QStringList& cells, qint64 row, const Mapping& mapping);

} // namespace imports
