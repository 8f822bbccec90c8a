#pragma once
// Table model over the visible fields of a query. It reads the query's
// snapshot only: it never runs a statement, so painting costs no I/O and
// only the rows on screen are ever asked for.
#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

#include <functional>

#include "engine/Query.h"

class QueryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit QueryTableModel(QObject* parent = nullptr);
    void setQuery(engine::Query* query);
    engine::Query* query() const { return m_query; }
    // Field index in the query of a grid column; -1 for an extra column.
    int fieldOfColumn(int column) const { return m_columns.value(column, -1); }

    // Columns after the query's fields whose texts the form works out from
    // what it already holds (never from the database), right-aligned.
    struct ExtraColumn {
        QString title;
        QString hint;       // the title's tooltip
        int characters = 6; // display width
        std::function<QString(int row)> text;
    };
    void setExtraColumns(const QList<ExtraColumn>& columns);
    // The extra columns' texts changed; the columns are the same.
    void extraColumnsChanged();
    const ExtraColumn* extraColumn(int column) const;

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
    QList<ExtraColumn> m_extra;
    int m_indicatorRow = -1;
};
