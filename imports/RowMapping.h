#pragma once
// Which column of a list gives which field of an item, and where the list
// starts: guessed from its first rows (the header's words), changed by the
// user; and a row made into a record by it.
#include "imports/Records.h"

#include <QList>
#include <QStringList>

#include <array>

namespace imports {

enum Field { Title, Kind, Note, Debtor, Issue, Due, FieldCount };

// The field's caption, as the grid heads its column.
QString fieldCaption(Field field);

struct Mapping {
    std::array<int, FieldCount> columns; // -1: not imported
    qint64 firstRow = 1;                 // the row the list starts at (rows above: a title, blank lines)
    bool header = false;                 // that row names the columns
    bool monthFirst = false;             // dates with slashes are mm/dd/yyyy
    Mapping() { columns.fill(-1); }
    // Whether the row of that number is one of the list's items.
    bool imports(qint64 row) const { return row > firstRow || (row == firstRow && !header); }
};

// A row of a list and its number there.
struct NumberedRow {
    qint64 number = 0;
    QStringList cells;
};

// Where the list starts (the first row with more than one filled cell),
// whether that row is a header (words a header is made of, no dates or
// numbers) and, by its words (Russian or English, whole words, the better
// match first), which column gives which field; without a header the first
// column is the title.
Mapping guessMapping(const QList<NumberedRow>& firstRows);
// The columns named by a header row's words (the mapping's columns only).
std::array<int, FieldCount> columnsNamedBy(const QStringList& header);
// Whether the list's dates with slashes are written month first, by the
// rows mapping imports.
bool monthFirstIn(const QList<NumberedRow>& rows, const Mapping& mapping);

// A row of nothing but blanks: no record, and no row to refuse.
bool isBlank(const QStringList& cells);

// The row (its number in the file) as a record, checked.
Record recordOf(const QStringList& cells, qint64 row, const Mapping& mapping);

} // namespace imports
