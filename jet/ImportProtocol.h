#pragma once
// What the importer program (zandrel-jet-import SOURCE TARGET) and the
// program that runs it say to each other. The program makes TARGET, an
// empty file it keeps locked for as long as the conversion may still be
// taken in, and reads the importer's standard output, one message a line:
// a word, then its fields, separated by tabs. The importer's exit code says
// how it ended.
#include <QByteArray>
#include <QString>

namespace importprotocol {

enum Exit { kDone = 0, kUsage = 2, kUnreadable = 3, kNotCatalogue = 4, kNotWritten = 6 };

enum class Kind {
    Tables,  // number: tables coming, count: rows in all
    Table,   // number: the table's place (from 1), count: its rows, name: its name in TARGET
    Renamed, // name: a table's name in TARGET, detail: its name in the Access file
    Rows,    // count: rows copied so far
    Peak,    // count: the importer's peak resident memory in bytes
    Done,    // TARGET is complete
    Error,   // failure: what (below), name: the table, detail: a column or the reason
    Unknown,
};

// What went wrong, in an Error message.
enum class Failure {
    Unreadable,   // not an Access file the reader can open
    Damaged,      // name: the table whose rows do not add up
    NoContacts,   // no _contacts (or old contacts) table
    ForeignTable, // name: a table of neither layout
    NoColumn,     // name: the table, detail: the column it lacks
    WrongKind,    // name: the table, detail: the column of another kind
    NotWritten,   // detail: the reason TARGET could not be written
};

struct Message {
    Kind kind = Kind::Unknown;
    qint64 number = 0, count = 0;
    Failure failure = Failure::Unreadable;
    QString name, detail;
};

QByteArray tables(int number, qint64 rows);
QByteArray table(int number, qint64 rows, const QString& name);
QByteArray renamed(const QString& name, const QString& source);
QByteArray rows(qint64 count);
QByteArray peak(qint64 bytes);
QByteArray done();
QByteArray error(Failure failure, const QString& name = {}, const QString& detail = {});

// One line as the program reads it (its line end included or not).
Message parse(const QByteArray& line);

} // namespace importprotocol
