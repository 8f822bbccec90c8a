#pragma once
// Reads the tables of an Access (Jet 3/4) file: their columns, and their
// rows as values (Null told from empty text, dates as the stored number
// whatever its calendar date, memos whole, Jet 3 text in its code page).
// The pages are read by jet/JetFile.h, which checks everything a damaged
// file may say; still, only the importer program uses this, in a process
// of its own with limits, so a file can never take the program down.
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
    // False when the file cannot be taken as a Jet 3/4 database (among
    // them files whose pages are masked with a database key).
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
