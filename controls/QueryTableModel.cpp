#include "controls/QueryTableModel.h"

#include "engine/Query.h"
#include "platform/Today.h"

QueryTableModel::QueryTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void QueryTableModel::setQuery(engine::Query* query) {
    if (m_query)
        disconnect(m_query, nullptr, this, nullptr);
    m_query = query;
    if (m_query) {
        connect(m_query, &engine::Query::rowsReset, this, &QueryTableModel::reset);
        connect(m_query, &engine::Query::rowChanged, this, &QueryTableModel::rowChanged);
        connect(m_query, &engine::Query::currentRowChanged, this, &QueryTableModel::currentMoved);
    }
    reset();
}

void QueryTableModel::reset() {
    beginResetModel();
    m_columns.clear();
    if (m_query)
        for (int f = 0; f < m_query->fields().size(); ++f)
            if (m_query->fields()[f].visible)
                m_columns.append(f);
    m_indicatorRow = m_query ? m_query->currentRow() : -1;
    endResetModel();
}

void QueryTableModel::rowChanged(int row) {
    if (row >= 0 && row < rowCount())
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void QueryTableModel::currentMoved(int row) {
    const int old = m_indicatorRow;
    m_indicatorRow = row;
    const int rows = rowCount();
    if (old >= 0 && old < rows)
        emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0 && row < rows)
        emit headerDataChanged(Qt::Vertical, row, row);
}

int QueryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_query || !m_query->isOpen() ? 0 : m_query->recordCount();
}

int QueryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size() + (m_columns.isEmpty() ? 0 : m_extra.size()));
}

void QueryTableModel::setExtraColumns(const QList<ExtraColumn>& columns) {
    // Columns come and go at the right; the rows and the query's columns
    // stay, so nothing else of the view is laid out again.
    const int fields = int(m_columns.size());
    const int before = fields ? int(m_extra.size()) : 0, after = fields ? int(columns.size()) : 0;
    if (after < before)
        beginRemoveColumns({}, fields + after, fields + before - 1);
    else if (after > before)
        beginInsertColumns({}, fields + before, fields + after - 1);
    m_extra = columns;
    if (after < before)
        endRemoveColumns();
    else if (after > before)
        endInsertColumns();
    if (after > 0) {
        emit headerDataChanged(Qt::Horizontal, fields, fields + after - 1);
        if (rowCount() > 0)
            emit dataChanged(index(0, fields), index(rowCount() - 1, fields + after - 1));
    }
}

void QueryTableModel::extraColumnsChanged() {
    const int fields = int(m_columns.size());
    if (!m_extra.isEmpty() && rowCount() > 0)
        emit dataChanged(index(0, fields), index(rowCount() - 1, fields + int(m_extra.size()) - 1));
}

const QueryTableModel::ExtraColumn* QueryTableModel::extraColumn(int column) const {
    const qsizetype extra = column - m_columns.size();
    return column < columnCount() && extra >= 0 && extra < m_extra.size() ? &m_extra[extra] : nullptr;
}

QVariant QueryTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !m_query || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    if (const ExtraColumn* extra = extraColumn(index.column())) {
        if (role == Qt::DisplayRole)
            return extra->text(index.row());
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return {};
    }
    const int field = m_columns[index.column()];
    const engine::FieldDef& def = m_query->fields()[field];
    switch (role) {
    case Qt::DisplayRole: {
        if (m_query->isNull(index.row(), field))
            return QString();
        if (def.kind == engine::FieldKind::DateTime)
            return platform::formatDayNumber(m_query->realValue(index.row(), field));
        return m_query->textValue(index.row(), field);
    }
    case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::Alignment(def.alignment | Qt::AlignVCenter));
    default: return {};
    }
}

QVariant QueryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal && extraColumn(section))
        return extraColumn(section)->hint;
    if (role != Qt::DisplayRole || !m_query)
        return {};
    if (orientation == Qt::Horizontal) {
        if (const ExtraColumn* extra = extraColumn(section))
            return extra->title;
        return m_query->fields().value(m_columns.value(section)).label();
    }
    return section == m_indicatorRow ? QStringLiteral("►") : QString();
}
