#pragma once
// Many rows into one table, for bringing a whole catalogue in: values are
// bound by column position and each row is handed over by insert(); rows
// go in by the batch, several to a statement, so that what SQLite does once
// per statement (a counter's bookkeeping) is not done for every row.
// Length checks and every other rule of the table hold as for any write.
// finish() stores what is still pending; without it that is dropped.
#include "engine/Connection.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace engine {

class RowInsert {
public:
    RowInsert(Connection& connection, const QString& table, const QStringList& columns, int rowsPerStatement = 64);

    void setNull(int column);
    void setInteger(int column, qint64 value);
    void setReal(int column, double value);
    // A day number, Null when it is NaN (no date).
    void setDay(int column, double day);
    void setText(int column, const QString& text);
    // The bound row is taken; every value is Null again for the next.
    void insert();
    void finish();

private:
    Statement prepareFor(int rows) const;
    void store(sqlite3_stmt* statement);
    int slot(int column) const { return m_row * m_columns + column; }

    Connection& m_connection;
    QString m_table;
    QStringList m_names;
    int m_columns;
    int m_batchRows;
    int m_row = 0; // rows bound so far in the batch
    Statement m_batch;
    // The batch's values until it is stored (texts stay alive that long).
    struct Value {
        enum class Kind { Null, Integer, Real, Text } kind = Kind::Null;
        qint64 integer = 0;
        double real = 0;
        QByteArray text;
    };
    std::vector<Value> m_values;
};

} // namespace engine
