#pragma once
// The sheets labels are printed on: A4 pages of rows × columns labels, in
// millimetres from the page's top left corner.
#include <QList>
#include <QRectF>
#include <QString>

namespace labels {

inline constexpr double kPageWidthMm = 210;
inline constexpr double kPageHeightMm = 297;

struct Sheet {
    QString name; // as the list of sheets shows it
    int rows = 8;
    int columns = 3;
    double labelWidth = 70;
    double labelHeight = 37;
    double left = 0; // the margins
    double top = 0.5;
    double gapX = 0; // between two labels
    double gapY = 0;

    int perPage() const { return rows * columns; }
    // The label at index (row by row) of a page.
    QRectF cell(int index) const;
    // Why the labels do not fit on the page; empty when they do.
    QString misfit() const;
};

// The common A4 sheets.
QList<Sheet> presets();
// Which of them sheet is (its sizes alone compared), -1 for one's own.
int presetOf(const Sheet& sheet);

// The sheet last used, kept in the settings; the first preset at first.
Sheet readSheet();
bool writeSheet(const Sheet& sheet);

} // namespace labels
