#pragma once
// Writes Microsoft Access (Jet 3 and Jet 4) files holding given tables and
// rows, for the import tests: the project's own fixtures, made at test
// time. It writes what a reader needs (the catalogue, table definitions,
// rows, long values, usage maps), no indexes, queries or forms.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

namespace jetwriter {

enum class Version { Jet3, Jet4 };
enum class Type { Counter, Long, Short, Text, Memo, DateTime };

struct Column {
    QString name;
    Type type;
    int size = 0; // characters, for Text
};

// A row's values by column: an invalid QVariant is Null; integers, doubles
// (dates as day numbers) and strings as the column's type wants.
using Row = QList<QVariant>;

struct Table {
    QString name;
    QList<Column> columns;
    QList<Row> rows;
    qint64 lastCounter = 0; // the counter's last value given; 0: the largest id
    // Rows (by index) stored but marked deleted, as Access leaves them: not counted.
    QList<int> deleted = {};
    // Rows (by index) whose data Access moved to another page, leaving a
    // pointer in their place.
    QList<int> moved = {};
};

struct Options {
    Version version = Version::Jet4;
    int headerCodePage = 1252; // what the header says
    int textCodePage = 1252;   // what Jet 3 text is written in
    QString password;          // none when empty
    double created = 45000.5;  // creation date, which masks a Jet 4 password
    bool mapPages = false;     // tables' page maps on map pages (type 1), as large tables have them
};

QByteArray write(const QList<Table>& tables, const Options& options);

// The column sets of a catalogue: _contacts (or the old contacts), items
// (the old ones lack description).
QList<Column> contactColumns();
QList<Column> itemColumns(bool withDescription = true);

} // namespace jetwriter
