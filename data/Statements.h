#pragma once
// Statements for code beyond the design, built from typed pieces: names
// are quoted here and nowhere else, texts and numbers become literals
// here, so no piece of data can change what a statement says. (The
// design's own handlers keep their statement texts as the design writes
// them.)
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace sql {

// "name", its own quote marks doubled: a table or column, whatever it is called.
QString name(const QString& identifier);
// 'text', its quote marks doubled.
QString text(const QString& value);
QString number(qint64 value);
// All seventeen digits: a day number keeps its time of day.
QString number(double value);
QString null();

// Conditions and expressions over named columns.
QString equals(const QString& column, const QString& literal);
QString isNull(const QString& column);
QString isNotNull(const QString& column);
QString in(const QString& column, const QStringList& literals);
QString both(const QString& condition, const QString& other);
QString coalesce(const QStringList& expressions);
QString maximum(const QString& column);

// A column of a table made here, its type in the program's dialect.
struct Column {
    QString name;
    QString type;   // "INT", "DATETIME", "LONGTEXT", "VARCHAR", "COUNTER PRIMARY KEY"
    int length = 0; // a VARCHAR's longest text
    // The type as a statement writes it: "VARCHAR(50)".
    QString declared() const;
};

// (select): the one value of a select, as an expression.
QString valueOf(const class Select& select);
QString larger(const QString& expression, const QString& other);

class Select {
public:
    // expressions: sql::name(column), literals, or functions of them.
    explicit Select(const QStringList& expressions);
    Select& from(const QString& table);
    Select& where(const QString& condition);
    Select& orderBy(const QString& column);
    Select& distinct();
    QString text() const;

private:
    QStringList m_expressions;
    QString m_table, m_where, m_order;
    bool m_distinct = false;
};

// One row of literals into columns of table.
QString insertValues(const QString& table, const QStringList& columns, const QStringList& literals);
// Each column of columns (of table), from the row select gives.
QString insertFrom(const QString& table, const QStringList& columns, const Select& select);
// The columns set to values where condition holds.
QString update(const QString& table, const QList<QPair<QString, QString>>& values, const QString& condition);
QString createTable(const QString& table, const QList<Column>& columns);
QString addColumn(const QString& table, const Column& column);
QString deleteRows(const QString& table, const QString& condition);

} // namespace sql
