#include "controls/GridColumns.h"

#include "controls/DataGrid.h"

#include <QHeaderView>
#include <QScrollBar>

int ColumnFillWidth(const GridColumnsInView& grid, int target) {
    const int count = static_cast<int>(grid.widths.size());
    if (target < 0)
        target = count - 1;
    const int line = grid.lineWidth;
    int w = grid.clientWidth;
    for (int c = 0; c < grid.fixedCount; ++c)
        w -= grid.widths.value(c);
    const int first = grid.firstInView;
    int last = first + grid.fullyInView;
    if (last < count)
        w -= line; // a further column, partly in view or beyond the edge
    else
        --last;
    const bool inRange = first <= target && target <= last;
    for (int c = first; c <= last; ++c)
        if (c != target)
            w -= grid.widths.value(c);
    w -= (grid.fullyInView + grid.fixedCount) * line;
    if (w < 0)
        w = -line;
    return inRange ? w : -w;
}

namespace {

// Qt draws a column's line inside its section, where the arithmetic above
// counts it beside the column: the measured widths are given without their
// lines, and a line is added back to the width that comes out.
// Columns the form adds after the query's (figures worked out from what it
// holds) stand at the right edge like a fixed panel: the query's columns
// fill what is left, so they stretch exactly as they would alone.
GridColumnsInView MeasureGrid(const DataGrid* grid) {
    GridColumnsInView g;
    const QHeaderView* titles = grid->horizontalHeader();
    const QHeaderView* indicator = grid->verticalHeader();
    int columns = titles->count(), extraWidth = 0;
    while (columns > 0 && grid->queryModel()->extraColumn(columns - 1))
        extraWidth += titles->sectionSize(--columns);
    g.lineWidth = grid->showGrid() ? 1 : 0;
    g.fixedCount = indicator->isVisible() ? 1 : 0;
    if (g.fixedCount)
        g.widths << indicator->width() - g.lineWidth;
    for (int c = 0; c < columns; ++c)
        g.widths << titles->sectionSize(c) - g.lineWidth;
    const int room = grid->viewport()->width() - extraWidth;
    g.clientWidth = room + (g.fixedCount ? indicator->width() : 0);
    const int firstData = columns > 0 ? std::max(0, titles->logicalIndexAt(0)) : 0;
    g.firstInView = firstData + g.fixedCount;
    for (int c = firstData; c < columns; ++c) {
        if (titles->sectionViewportPosition(c) + titles->sectionSize(c) > room)
            break;
        ++g.fullyInView;
    }
    return g;
}

} // namespace

void FitGridColumn(DataGrid* grid, int index) {
    const GridColumnsInView g = MeasureGrid(grid);
    const int dataColumns = static_cast<int>(g.widths.size()) - g.fixedCount;
    if (index < 0)
        index = dataColumns - 1;
    const int w = ColumnFillWidth(g, index + g.fixedCount);
    if (w >= 0)
        grid->setColumnWidth(index, w + g.lineWidth);
}
