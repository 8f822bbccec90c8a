#pragma once
// Reads the tables of an Access (Jet 3/4) file through libmdb: their
// columns, and their rows as values. Where libmdb's own value conversion
// falls short (Null told from empty text, dates outside its calendar,
// memos longer than its buffers, Jet 3 code pages) the stored bytes are read
// from its row buffers instead. Only the importer program uses this: libmdb
// is not built for hostile files, so it runs in a process of its own.
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace jet {

enum class ColumnKind { Integer, Date, Text, Other };

struct ColumnInfo {
    QString name;
    ColumnKind kind = ColumnKind::Other;
    bool memo = false;
    int characters = 0; // text columns other than memos
};

struct TableInfo {
    QString name;
    qint64 declaredRows = 0; // the count the table definition keeps
    qint64 lastCounter = 0;  // the counter's last value given
    QList<ColumnInfo> columns;
};

class Reader {
public:
    Reader();
    ~Reader();
    // False when libmdb cannot take the file as a Jet database.
    bool open(const QString& path);
    // The user tables, with their columns.
    QList<TableInfo> tables();
    // Calls row for each live row of table: one value per column, an
    // invalid QVariant for Null. Stops when row returns false. False when
    // the table cannot be read.
    bool readRows(const QString& table, const std::function<bool(const QList<QVariant>&)>& row);
    // Jet 3 only: decides the code page from table names and texts.
    void chooseCodePage();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace jet
