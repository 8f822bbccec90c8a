#include "engine/RowInsert.h"

#include "engine/Dialect.h"
#include "engine/EngineError.h"

#include <sqlite3.h>

namespace engine {

RowInsert::RowInsert(Connection& connection, const QString& table, const QStringList& columns, int rowsPerStatement)
    : m_connection(connection), m_table(connection.resolveTable(table)), m_columns(int(columns.size())),
      m_batchRows(rowsPerStatement) {
    for (const QString& c : columns)
        m_names << quotedIdentifier(c);
    m_values.resize(size_t(m_batchRows * m_columns));
    m_batch = prepareFor(m_batchRows);
}

Statement RowInsert::prepareFor(int rows) const {
    const QString row = u'(' + QStringList(m_columns, QStringLiteral("?")).join(u',') + u')';
    return m_connection.prepare(
        QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
            .arg(quotedIdentifier(m_table), m_names.join(u','), QStringList(rows, row).join(u','))
            .toUtf8());
}

void RowInsert::setNull(int column) { m_values[size_t(slot(column))] = Value{}; }

void RowInsert::setInteger(int column, qint64 value) {
    Value& v = m_values[size_t(slot(column))];
    v.kind = Value::Kind::Integer;
    v.integer = value;
}

void RowInsert::setReal(int column, double value) {
    Value& v = m_values[size_t(slot(column))];
    v.kind = Value::Kind::Real;
    v.real = value;
}

void RowInsert::setDay(int column, double day) {
    if (std::isnan(day))
        setNull(column);
    else
        setReal(column, day);
}

void RowInsert::setText(int column, const QString& text) {
    Value& v = m_values[size_t(slot(column))];
    v.kind = Value::Kind::Text;
    v.text = text.toUtf8();
    if (v.text.contains('\0'))
        throw EngineError(QStringLiteral("Текст содержит недопустимый символ NUL"));
}

void RowInsert::store(sqlite3_stmt* s) {
    for (int i = 0; i < m_row * m_columns; ++i) {
        Value& v = m_values[size_t(i)];
        switch (v.kind) {
        case Value::Kind::Null: sqlite3_bind_null(s, i + 1); break;
        case Value::Kind::Integer: sqlite3_bind_int64(s, i + 1, v.integer); break;
        case Value::Kind::Real: sqlite3_bind_double(s, i + 1, v.real); break;
        case Value::Kind::Text:
            sqlite3_bind_text(s, i + 1, v.text.constData(), int(v.text.size()), SQLITE_STATIC);
            break;
        }
    }
    const int rc = sqlite3_step(s);
    sqlite3_reset(s);
    for (int i = 0; i < m_row * m_columns; ++i)
        m_values[size_t(i)].kind = Value::Kind::Null;
    m_row = 0;
    if (rc != SQLITE_DONE)
        m_connection.fail(rc);
}

void RowInsert::insert() {
    if (++m_row == m_batchRows)
        store(m_batch.get());
}

void RowInsert::finish() {
    if (m_row > 0) {
        const Statement rest = prepareFor(m_row);
        store(rest.get());
    }
}

} // namespace engine
