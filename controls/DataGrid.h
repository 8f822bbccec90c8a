#pragma once
// The data grid: a table view bound to a query's visible fields, with
// whole-row selection, a row indicator column, and the view's current row
// kept equal to the query's current record.
#include "controls/QueryTableModel.h"

#include <QPoint>
#include <QTableView>

class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);
    void setQuery(engine::Query* query);
    engine::Query* query() const { return m_model->query(); }
    QueryTableModel* queryModel() const { return m_model; }
    void setCellStyler(QueryTableModel::CellStyler styler);

    // The cell under a point of the viewport's parent (the grid widget) in
    // grid coordinates: row 0 the titles, column 0 the indicator, -1 outside.
    QPoint cellAt(const QPoint& widgetPoint) const;
    // The font a column title is drawn in: font itself when the title fits
    // room pixels, else font condensed until it does.
    static QFont titleFont(const QFont& font, const QString& title, int room);
    // Width of the vertical scroll bar while it shows, else 0.
    int verticalBarWidth() const;

    // Scrolls rows only: whole rows are selected, and the columns fill the
    // grid's width, so sideways scrolling would only hide the indicator.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    // Typing in the grid finds nothing by itself: the form decides what a
    // typed key does, and a search through every row per key would stall
    // on large tables.
    void keyboardSearch(const QString& search) override;

signals:
    void titleClicked(int column);

private:
    void followQuery(int row);
    void followView(const QModelIndex& current);

    QueryTableModel* m_model;
    bool m_syncing = false;
};
