#include "data/BaseFiles.h"

#include "data/DBMUnit.h"
#include "data/Layouts.h"
#include "data/ProgramState.h"
#include "engine/DatabaseFiles.h"
#include "engine/EngineError.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"

#include <QFile>

namespace {

// Runs one statement of one or two lines through aqMain.
void Run(const QString& first, const QString& second = {}) {
    DM->aqMain->clearSql();
    DM->aqMain->addSql(first);
    if (!second.isEmpty())
        DM->aqMain->addSql(second);
    DM->aqMain->execSQL();
}

} // namespace

bool ListHolds(const QStringList& list, const QString& name) { return list.contains(name, Qt::CaseInsensitive); }

QStringList ReadTableNames() { return DM->ADOConnection->tableNames(); }

void RebuildTableNames() {
    TableNames.clear();
    TableNames = ReadTableNames();
    for (qsizetype i = TableNames.size() - 1; i >= 0; --i)
        if (TableNames[i].compare(layouts::kContactsTable, Qt::CaseInsensitive) == 0)
            TableNames.removeAt(i);
}

bool CreateBase(const QString& path) {
    try {
        engine::createDatabase(path);
    } catch (const engine::EngineError& e) {
        platform::showPlainMessage(e.message());
        return false;
    }
    return true;
}

bool CheckBaseVersion() {
    engine::Connection* connection = DM->ADOConnection;
    connection->close();
    connection->setConnectionString(ConnectionStringFor(DBPath));
    bool result = true;
    try {
        connection->open();
        TableNames.clear();
        TableNames = ReadTableNames();
        if (ListHolds(TableNames, QStringLiteral("contacts")) && !ListHolds(TableNames, layouts::kContactsTable)) {
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
    connection->beginTransaction();
    try {
        Run(QStringLiteral("Create Table _contacts"), layouts::kContactColumns);
        Run(QStringLiteral("INSERT INTO _contacts (id, name, phone , address , birthday , reliability)"),
            QStringLiteral("SELECT id, name, phone , address , birthday , reliability FROM contacts"));
        Run(QStringLiteral("DROP TABLE contacts"));
        for (qsizetype i = TableNames.size() - 1; i >= 0; --i)
            if (TableNames[i].compare(QLatin1String("contacts"), Qt::CaseInsensitive) == 0)
                TableNames.removeAt(i);
        for (const QString& table : std::as_const(TableNames)) {
            Run(QStringLiteral("Create Table _temp"), layouts::kItemColumns);
            Run(QStringLiteral("INSERT INTO _temp (id, title, type, issue, return, contact)"),
                QStringLiteral("SELECT id, title, type, issue, return, contact FROM ") + table);
            Run(QStringLiteral("DROP TABLE ") + table);
            Run(QStringLiteral("Create Table ") + table, layouts::kItemColumns);
            Run(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (id, title, type, issue, return, contact, description)"),
                QStringLiteral("SELECT id, title, type, issue, return, contact, description FROM _temp"));
            Run(QStringLiteral("DROP TABLE _temp"));
        }
        connection->commit();
    } catch (...) {
        connection->rollback();
        throw;
    }
    return true;
}

void CompactBase(const QString& source, const QString& destination, const QString& password) {
    const bool inPlace = destination.isEmpty();
    // A file its owner made read-only is not replaced, not even by an
    // equivalent compacted copy.
    // (Mode bits only: "User" permissions are always granted to root.)
    constexpr QFile::Permissions kWritable = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (inPlace && QFile::exists(source) && !(QFile::permissions(source) & kWritable))
        return;
    QString target;
    try {
        if (!password.isEmpty())
            throw engine::EngineError(QStringLiteral("Базы данных с паролем не поддерживаются"));
        // The temporary copy lives beside the source, so the final rename
        // stays within one file system and is atomic.
        target = inPlace ? platform::uniqueTempFile(platform::folderOf(source), QStringLiteral("mdb")) : destination;
        platform::deleteFile(target); // the engine must create the copy itself
        engine::compactDatabase(source, target);
        if (inPlace) {
            QFile::setPermissions(target, QFile::permissions(source));
            if (!platform::renameFile(target, source))
                throw engine::EngineError(QStringLiteral("Невозможно заменить файл '%1' сжатой копией").arg(source));
            platform::syncFolder(platform::folderOf(source));
        }
    } catch (const std::exception& e) {
        if (inPlace && !target.isEmpty())
            platform::deleteFile(target);
        platform::showPlainMessage(QString::fromUtf8(e.what()));
    }
}
