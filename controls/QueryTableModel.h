#pragma once
// Table model over the visible fields of a query. It reads the query's
// snapshot only: it never runs a statement, so painting costs no I/O and
// only the rows on screen are ever asked for.
#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <QPointer>
#include <functional>

#include "engine/Query.h"

// How one cell is painted; invalid colours leave the grid's defaults.
struct CellStyle {
    QColor background;
    QColor text;
    bool bold = false;
};

class QueryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using CellStyler = std::function<CellStyle(int row, int column)>;

    explicit QueryTableModel(QObject* parent = nullptr);
    void setQuery(engine::Query* query);
    engine::Query* query() const { return m_query; }
    // The form decides the colours of each cell (debts, groups).
    void setCellStyler(CellStyler styler) { m_styler = std::move(styler); }
    // Field index in the query of a grid column.
    int fieldOfColumn(int column) const { return m_columns.value(column, -1); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void reset();
    void rowChanged(int row);
    void currentMoved(int row);

    QPointer<engine::Query> m_query; // the query may go before the view
    QList<int> m_columns;            // visible fields
    CellStyler m_styler;
    int m_indicatorRow = -1;
};
