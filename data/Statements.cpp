#include "data/Statements.h"

namespace sql {

QString name(const QString& identifier) {
    return u'"' + QString(identifier).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString text(const QString& value) { return u'\'' + QString(value).replace(u'\'', QStringLiteral("''")) + u'\''; }

QString number(qint64 value) { return QString::number(value); }

QString number(double value) { return QString::number(value, 'g', 17); }

QString null() { return QStringLiteral("NULL"); }

QString equals(const QString& column, const QString& literal) { return name(column) + u'=' + literal; }

QString isNull(const QString& column) { return name(column) + QStringLiteral(" IS NULL"); }

QString isNotNull(const QString& column) { return name(column) + QStringLiteral(" IS NOT NULL"); }

QString in(const QString& column, const QStringList& literals) {
    return name(column) + QStringLiteral(" IN (") + literals.join(u',') + u')';
}

QString both(const QString& condition, const QString& other) {
    return u'(' + condition + QStringLiteral(") AND (") + other + u')';
}

QString coalesce(const QStringList& expressions) { return QStringLiteral("coalesce(") + expressions.join(u',') + u')'; }

QString maximum(const QString& column) { return QStringLiteral("max(") + name(column) + u')'; }

QString valueOf(const Select& select) { return u'(' + select.text() + u')'; }

QString larger(const QString& expression, const QString& other) {
    return QStringLiteral("max(") + expression + u',' + other + u')';
}

QString Column::declared() const { return length > 0 ? type + u'(' + QString::number(length) + u')' : type; }

Select::Select(const QStringList& expressions) : m_expressions(expressions) {}

Select& Select::from(const QString& table) {
    m_table = table;
    return *this;
}

Select& Select::where(const QString& condition) {
    m_where = condition;
    return *this;
}

Select& Select::orderBy(const QString& column) {
    m_order = column;
    return *this;
}

Select& Select::distinct() {
    m_distinct = true;
    return *this;
}

QString Select::text() const {
    QString s = QStringLiteral("SELECT ") + (m_distinct ? QStringLiteral("DISTINCT ") : QString())
                + m_expressions.join(QStringLiteral(", "));
    if (!m_table.isEmpty())
        s += QStringLiteral(" FROM ") + name(m_table);
    if (!m_where.isEmpty())
        s += QStringLiteral(" WHERE ") + m_where;
    if (!m_order.isEmpty())
        s += QStringLiteral(" ORDER BY ") + name(m_order);
    return s;
}

namespace {

QString names(const QStringList& columns) {
    QStringList quoted;
    for (const QString& c : columns)
        quoted << name(c);
    return quoted.join(QStringLiteral(", "));
}

QString definitions(const QList<Column>& columns) {
    QStringList defined;
    for (const Column& c : columns)
        defined << name(c.name) + u' ' + c.declared();
    return defined.join(QStringLiteral(", "));
}

} // namespace

QString insertValues(const QString& table, const QStringList& columns, const QStringList& literals) {
    return QStringLiteral("INSERT INTO ") + name(table) + QStringLiteral(" (") + names(columns)
           + QStringLiteral(") VALUES (") + literals.join(QStringLiteral(", ")) + u')';
}

QString insertFrom(const QString& table, const QStringList& columns, const Select& select) {
    return QStringLiteral("INSERT INTO ") + name(table) + QStringLiteral(" (") + names(columns) + QStringLiteral(") ")
           + select.text();
}

QString update(const QString& table, const QList<QPair<QString, QString>>& values, const QString& condition) {
    QStringList set;
    for (const auto& [column, literal] : values)
        set << equals(column, literal);
    return QStringLiteral("UPDATE ") + name(table) + QStringLiteral(" SET ") + set.join(QStringLiteral(", "))
           + (condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition);
}

QString createTable(const QString& table, const QList<Column>& columns) {
    return QStringLiteral("CREATE TABLE ") + name(table) + QStringLiteral(" (") + definitions(columns) + u')';
}

QString addColumn(const QString& table, const Column& column) {
    return QStringLiteral("ALTER TABLE ") + name(table) + QStringLiteral(" ADD COLUMN ") + definitions({column});
}

QString deleteRows(const QString& table, const QString& condition) {
    return QStringLiteral("DELETE FROM ") + name(table) + QStringLiteral(" WHERE ") + condition;
}

} // namespace sql
