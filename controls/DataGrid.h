#pragma once
// The data grid: a table view bound to a query's visible fields, with
// whole-row selection, a row indicator column, and the view's current row
// kept equal to the query's current record.
#include "controls/QueryTableModel.h"

#include <QColor>
#include <QPoint>
#include <QTableView>

#include <functional>
#include <optional>

// How one cell is painted; invalid colours leave the grid's own.
struct CellStyle {
    QColor background;
    QColor text;
    bool bold = false;
};

class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);
    void setQuery(engine::Query* query);
    engine::Query* query() const { return m_model->query(); }
    QueryTableModel* queryModel() const { return m_model; }
    // The form decides how each cell is painted (debts, groups), asked only
    // for the cells on screen; selected tells whether the row is the current one.
    using CellStyler = std::function<CellStyle(int row, int column, bool selected)>;
    void setCellStyler(CellStyler styler);
    // Where the rows are selected: navy with white text unless the form says otherwise.
    static QColor selectionColor() { return QColor(0, 0, 128); }
    // White cells, black text, the selection navy and visible also while
    // another control has the focus: the look of every grid and list grid.
    static void applyGridPalette(QWidget* view);
    // A read-only list in a grid (the history, the backups): that look,
    // rows of one text line without row titles, the last column filling
    // the rest.
    static void setUpListTable(QTableView* view);

    // The cell under a point of the viewport's parent (the grid widget) in
    // grid coordinates: row 0 the titles, column 0 the indicator, -1 outside.
    // An empty grid answers row 1 for its one blank row under the titles.
    QPoint cellAt(const QPoint& widgetPoint) const;
    // The font a column title is drawn in: font itself when the title fits
    // room pixels, else font condensed until it does.
    static QFont titleFont(const QFont& font, const QString& title, int room);
    // A double-click on the cells or on the row indicator, as the point of
    // the grid widget it happened at (for cellAt); nothing for other events.
    // The form's event filter must watch both: see watchDoubleClicks().
    std::optional<QPoint> doubleClickAt(const QObject* watched, const QEvent* event) const;
    void watchDoubleClicks(QObject* filter);
    // Width of the vertical scroll bar while it shows, else 0.
    int verticalBarWidth() const;

    // By default the grid scrolls rows only: the columns fill its width, so
    // sideways scrolling would only hide the indicator. A grid whose columns
    // may outgrow it scrolls sideways too.
    void setSidewaysScrolling(bool on) { m_sideways = on; }
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    // Typing in the grid finds nothing by itself: the form decides what a
    // typed key does, and a search through every row per key would stall
    // on large tables.
    void keyboardSearch(const QString& search) override;

signals:
    void titleClicked(int column);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followQuery(int row);
    void followView(const QModelIndex& current);

    // A column's width from its field's display width in characters.
    int displayWidth(int column) const;

    QueryTableModel* m_model;
    QList<int> m_widthsBeforeReset;
    bool m_syncing = false;
    bool m_sideways = false;
};
