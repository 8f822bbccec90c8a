#include "data/BaseFiles.h"
#include "data/CatalogueShape.h"

#include "data/DBMUnit.h"
#include "data/Layouts.h"
#include "data/ProgramState.h"
#include "engine/DatabaseFiles.h"
#include "engine/Dialect.h"
#include "engine/EngineError.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Compaction writes the file and a journal beside it: a file, folder or
// mount this user may not write is left as it is, without a word.
bool MayCompactInPlace(const QString& file) {
    const QString real = QFileInfo(file).canonicalFilePath();
    if (real.isEmpty())
        return true; // missing: the engine reports it
    // On a network folder the exit's rewrite of the whole file would go over
    // the wire, beside whoever else uses it: it is left to the user's command.
    return platform::mayWrite(real) && platform::mayWrite(QFileInfo(real).absolutePath())
           && !platform::isNetworkFileSystem(real) && !DM->ReadOnly();
}

} // namespace

// Carries the counter of table from over to table to, so that ids given
// before a copy are never given again (INSERT … SELECT sets it only to the
// largest id copied).
void KeepCounter(const QString& from, const QString& to) {
    engine::Connection* connection = DM->ADOConnection;
    const QString f = engine::quoted(from), t = engine::quoted(to);
    connection->execute(
        QStringLiteral("UPDATE sqlite_sequence SET seq=max(seq, (SELECT seq FROM sqlite_sequence WHERE name='%1')) "
                       "WHERE name='%2' AND (SELECT seq FROM sqlite_sequence WHERE name='%1') IS NOT NULL")
            .arg(f, t));
    connection->execute(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT '%2', seq FROM sqlite_sequence "
                                       "WHERE name='%1' AND NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name='%2')")
                            .arg(f, t));
}

bool ListHolds(const QStringList& list, const QString& name) { return list.contains(name, Qt::CaseInsensitive); }

QStringList ReadTableNames() { return DM->ADOConnection->tableNames(); }

bool IsProgramTable(const QString& name) { return shape::isProgramTable(name); }

QString ReducedDBPath(const QString& path) {
    // Case counts: the same folder spelled otherwise keeps the full path.
    return platform::folderOf(path) == platform::catalogueFolder() ? platform::fileNameOf(path) : path;
}

QStringList ReadItemTableNames() {
    QStringList names = ReadTableNames();
    names.removeIf(IsProgramTable);
    return names;
}

void RebuildTableNames() { TableNames = ReadItemTableNames(); }

bool CreateBase(const QString& path) {
    try {
        engine::createDatabase(path);
    } catch (const engine::EngineError& e) {
        platform::showPlainMessage(e.message());
        return false;
    }
    return true;
}

bool CheckBaseVersion(engine::OpenMode mode) {
    engine::Connection* connection = DM->ADOConnection;
    bool result = true;
    try {
        DM->ConnectTo(DBPath, mode);
        TableNames.clear();
        TableNames = ReadTableNames();
        if (ListHolds(TableNames, shape::kOldContactsTable) && !ListHolds(TableNames, shape::kContactsTable)) {
            const platform::Answer answer = platform::messageBox(
                QStringLiteral("Версия базы '") + DBPath + QStringLiteral("' устарела!\rХотите ее обновить?"),
                QStringLiteral("Конвертация базы"), platform::Buttons::YesNo, platform::Icon::Question);
            result = answer == platform::Answer::Yes && ConvertBase();
        }
    } catch (...) {
        connection->close();
        throw;
    }
    connection->close();
    return result;
}

bool ConvertBase() {
    engine::Connection* connection = DM->ADOConnection;
    // One transaction: a failure leaves the file exactly as it was.
    connection->inOneTransaction([&] {
        QString contacts;
        for (const QString& name : std::as_const(TableNames))
            if (name.compare(shape::kOldContactsTable, Qt::CaseInsensitive) == 0)
                contacts = name;
        DM->Execute({QStringLiteral("Create Table _contacts"), layouts::kContactColumns});
        DM->Execute({QStringLiteral("INSERT INTO _contacts (id, name, phone , address , birthday , reliability)"),
                     QStringLiteral("SELECT id, name, phone , address , birthday , reliability FROM contacts")});
        KeepCounter(contacts, shape::kContactsTable);
        DM->Execute({QStringLiteral("DROP TABLE contacts")});
        TableNames.removeAll(contacts);
        for (const QString& table : std::as_const(TableNames)) {
            // A saved query holds no rows of its own: it stays as it is.
            if (connection->isView(table) || IsProgramTable(table))
                continue;
            DM->Execute({QStringLiteral("Create Table _temp"), layouts::kItemColumns});
            DM->Execute({QStringLiteral("INSERT INTO _temp (id, title, type, issue, return, contact)"),
                         QStringLiteral("SELECT id, title, type, issue, return, contact FROM ") + table});
            KeepCounter(table, QStringLiteral("_temp"));
            DM->Execute({QStringLiteral("DROP TABLE ") + table});
            DM->Execute({QStringLiteral("Create Table ") + table, layouts::kItemColumns});
            DM->Execute({QStringLiteral("INSERT INTO ") + table
                             + QStringLiteral(" (id, title, type, issue, return, contact, description)"),
                         QStringLiteral("SELECT id, title, type, issue, return, contact, description FROM _temp")});
            KeepCounter(QStringLiteral("_temp"), table);
            DM->Execute({QStringLiteral("DROP TABLE _temp")});
        }
    });
    return true;
}

void CompactBase(const QString& source, const QString& destination, const QString& password) {
    const bool inPlace = destination.isEmpty();
    if (inPlace && !MayCompactInPlace(source))
        return;
    try {
        if (!password.isEmpty())
            throw engine::EngineError(QStringLiteral("Базы данных с паролем не поддерживаются"));
        if (inPlace)
            engine::compactInPlace(source);
        else // a given destination is written only when it does not exist yet
            engine::compactDatabase(source, destination);
    } catch (const std::exception& e) {
        platform::showPlainMessage(QString::fromUtf8(e.what()));
    }
}
