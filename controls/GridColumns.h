#pragma once
// Stretching one column of a grid so that the columns in view fill its width.
#include <QList>

class DataGrid;

// What the stretching looks at, in grid column numbers: the fixed columns
// (the row indicator) first, then the data columns.
struct GridColumnsInView {
    int clientWidth = 0; // the grid's client width, fixed columns included
    QList<int> widths;   // every grid column, fixed ones first
    int fixedCount = 0;  // fixed columns
    int lineWidth = 0;   // width of a vertical line, 0 when none are drawn
    int firstInView = 0; // the leftmost data column in view
    int fullyInView = 0; // data columns wholly in view from firstInView on
};

// The width the target column (a grid column number; negative: the last)
// needs to fill the grid, or, when it is out of view, that width negated.
int ColumnFillWidth(const GridColumnsInView& grid, int target);

// Stretches data column index (negative: the last) of grid to fill it.
void FitGridColumn(DataGrid* grid, int index);
