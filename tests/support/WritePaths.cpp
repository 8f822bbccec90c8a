#include "tests/support/WritePaths.h"

#include "backups/Backups.h"
#include "data/BaseFiles.h"
#include "data/Codes.h"
#include "data/DBMUnit.h"
#include "data/Layouts.h"
#include "data/LoanRules.h"
#include "data/ProgramState.h"
#include "desk/Desk.h"
#include "dialogs/TSelectUnit.h"
#include "engine/Copies.h"
#include "engine/DatabaseFiles.h"
#include "engine/EngineError.h"
#include "history/HistoryKeeper.h"
#include "history/LoanHistory.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>
#include <sqlite3.h>

#include <memory>

namespace {

// The data module and the table manager the commands run through.
TDM* dataModule() {
    static std::unique_ptr<TDM> dm;
    if (!DM)
        dm = std::make_unique<TDM>();
    return DM;
}

TfmTSForm* tableManager() {
    dataModule();
    static std::unique_ptr<TfmTSForm> form;
    if (!fmTSForm)
        form = std::make_unique<TfmTSForm>();
    return fmTSForm;
}

// Runs command, turning a message box it shows into the error it reports;
// questions are answered Yes.
void answering(const std::function<void()>& command) {
    QString shown;
    const platform::MessageBoxHandler previous = platform::setMessageBoxHandler([&](const platform::MessageRecord& m) {
        if (m.buttons == platform::Buttons::YesNo)
            return platform::Answer::Yes;
        shown = m.text;
        return platform::Answer::Ok;
    });
    try {
        command();
    } catch (...) {
        platform::setMessageBoxHandler(previous);
        throw;
    }
    platform::setMessageBoxHandler(previous);
    if (!shown.isEmpty())
        throw engine::EngineError(shown);
}

void catalogue(const QString& path, int rows) {
    engine::createDatabase(path);
    engine::Connection c;
    c.setConnectionString(QStringLiteral("Data Source=") + path);
    c.open();
    c.execute(QStringLiteral("Create Table _contacts\n") + layouts::kContactColumns);
    c.execute(QStringLiteral("INSERT INTO _contacts (id, name) SELECT 1, 'Ира'"));
    for (const char* table : {"Books", "Games"})
        c.execute(QStringLiteral("Create Table %1\n").arg(QLatin1String(table)) + layouts::kItemColumns);
    c.inOneTransaction([&] {
        for (int i = 0; i < rows; ++i)
            c.execute(QStringLiteral("INSERT INTO Books (title, contact, return, description) SELECT "
                                     "'книга номер %1 с длинным названием', %2, %3, 'примечание'")
                          .arg(i)
                          .arg(i % 3 == 0 ? QStringLiteral("1") : QStringLiteral("NULL"))
                          .arg(i % 3 == 0 ? QString::number(45300 + i % 100) : QStringLiteral("NULL")));
    });
}

// History rows carry the time they were written: the commands run on a
// fixed day, so every run of one writes the same.
struct FixedDay {
    FixedDay() { platform::pinToday(45352); }
    ~FixedDay() { platform::pinToday(std::nullopt); }
};

// The same with the loan history kept, its standing loans recorded.
void catalogueWithHistory(const QString& path, int rows) {
    const FixedDay day;
    catalogue(path, rows);
    engine::Connection c;
    c.setConnectionString(QStringLiteral("Data Source=") + path);
    c.open();
    if (!loanhistory::ensureTable(c))
        throw engine::EngineError(QStringLiteral("no loan history in ") + path);
}

void oldLayout(const QString& path, int rows) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    QString sql = QStringLiteral(
        "CREATE TABLE contacts (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(50), phone VARCHAR(25), "
        "address VARCHAR(50), birthday REAL, reliability INT);"
        "CREATE TABLE Books (id INTEGER PRIMARY KEY AUTOINCREMENT, title VARCHAR(50), type VARCHAR(25), "
        "issue REAL, return REAL, contact INT);"
        "INSERT INTO contacts (id, name) VALUES (3, 'Ира');BEGIN;");
    for (int i = 0; i < rows; ++i)
        sql +=
            QStringLiteral("INSERT INTO Books (title, contact) VALUES ('old item %1', %2);").arg(i).arg(i % 2 ? 3 : 0);
    sql += QStringLiteral("COMMIT;");
    sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void openBooks(const QString& path) {
    dataModule()->ConnectTo(path, engine::OpenMode::Write);
    DM->Reopen(DM->aqMain, {QStringLiteral("SELECT * FROM Books")});
}

// The table manager in create or rename mode, the name typed and "Создать".
void nameTable(const QString& path, const char* mode, const QString& name) {
    TfmTSForm* manager = tableManager();
    dataModule()->ConnectTo(path, engine::OpenMode::Write);
    manager->FormActivate();
    manager->findChild<QToolButton*>(QLatin1String(mode))->setChecked(true);
    manager->findChild<QLineEdit*>(QStringLiteral("eNTName"))->setText(name);
    manager->SpeedButton1Click();
}

// Backups go to a folder beside the catalogue's, never into the user's.
// Each run starts without copies, so each run writes one.
void keepBackupsBeside(const QString& path) {
    qputenv("XDG_DATA_HOME", QFile::encodeName(QFileInfo(path).absoluteDir().filePath(QStringLiteral("../data"))));
    QDir(backups::folderFor(path)).removeRecursively();
}

} // namespace

QList<WritePath> writePaths(int rows) {
    const auto filled = [rows](const QString& path) { catalogue(path, rows); };
    return {
        // A loan: the item and its history event go in together or not at all.
        {QStringLiteral("post an item"), [rows](const QString& path) { catalogueWithHistory(path, rows); },
         [](const QString& path) {
             const FixedDay day;
             openBooks(path);
             loanhistory::Keeper keeper(*DM);
             keeper.catalogueOpened();
             DM->aqMain->insert();
             DM->aqMain->fieldByName(QStringLiteral("title")).setAsString(QStringLiteral("новая книга"));
             DM->aqMain->fieldByName(QStringLiteral("contact")).setAsInteger(1);
             DM->aqMain->fieldByName(QStringLiteral("return")).setAsFloat(45400);
             DM->aqMain->post();
         }},
        // A reminder given: a «напомнено» event for each loan it names, together.
        {QStringLiteral("record a reminder"), [rows](const QString& path) { catalogueWithHistory(path, rows); },
         [](const QString& path) {
             const FixedDay day;
             openBooks(path);
             loanhistory::Keeper keeper(*DM);
             keeper.catalogueOpened();
             QList<shape::Loan> loans;
             for (int i = 1; i <= 50; ++i)
                 loans << shape::Loan{.table = QStringLiteral("Books"),
                                      .item = i,
                                      .title = QStringLiteral("книга"),
                                      .contact = 1,
                                      .debtor = QStringLiteral("Ира"),
                                      .issued = 45300,
                                      .due = 45340};
             loanhistory::recordReminder(*DM->ADOConnection, loans);
         }},
        // At the desk: the item, its history event and the codes of the catalogue.
        {QStringLiteral("lend at the desk"),
         [rows](const QString& path) {
             catalogueWithHistory(path, rows);
             engine::Connection c;
             c.setConnectionString(QStringLiteral("Data Source=") + path);
             c.open();
             codes::assign(c, {QStringLiteral("Books"), 2}, QStringLiteral("00000042"));
         },
         [](const QString& path) {
             const FixedDay day;
             openBooks(path);
             loanhistory::Keeper keeper(*DM);
             keeper.catalogueOpened();
             const std::optional<codes::Holder> item = codes::holderOf(*DM->ADOConnection, QStringLiteral("00000042"));
             desk::lend(*DM, *item, 1, 45352, 14);
         }},
        // Every item without a code numbered, all or none.
        {QStringLiteral("number the items"), filled,
         [](const QString& path) {
             openBooks(path);
             QList<qint64> items;
             for (int r = 0; r < DM->aqMain->recordCount(); ++r)
                 items << DM->aqMain->integerValue(r, DM->aqMain->fieldIndex(QStringLiteral("id")));
             codes::giveNumbers(*DM->ADOConnection, QStringLiteral("Books"), items);
         }},
        // The loan rules replaced, all or none.
        {QStringLiteral("set the loan rules"), filled,
         [](const QString& path) {
             openBooks(path);
             loanrules::write(*DM->ADOConnection, {{QStringLiteral("Books"), loanrules::Trusted, 30, 10,
                                                    loanrules::Scope::ThisTable, 2, loanrules::Breach::Refuse},
                                                   {QString(), loanrules::Every, 14}});
         }},
        {QStringLiteral("delete an item"), filled,
         [](const QString& path) {
             openBooks(path);
             DM->aqMain->deleteRecord();
         }},
        {QStringLiteral("create a table"), filled, [](const QString& path) { nameTable(path, "tbAddTable", "Диски"); }},
        {QStringLiteral("rename a table"), filled, [](const QString& path) { nameTable(path, "tbRenTable", "Книги"); }},
        {QStringLiteral("remove a table"), filled,
         [](const QString& path) {
             TfmTSForm* manager = tableManager();
             dataModule()->ConnectTo(path, engine::OpenMode::Write);
             manager->FormActivate(); // Books, the first entry, is selected
             answering([&] { manager->tbRemoveTableClick(); });
         }},
        {QStringLiteral("convert an old file"), [rows](const QString& path) { oldLayout(path, rows); },
         [](const QString& path) {
             dataModule();
             DBPath = path;
             answering([] { CheckBaseVersion(); });
         }},
        // The exit: a copy (never offered half-made), then the compaction,
        // which goes on when the copy fails; the copy's failure is told last.
        {QStringLiteral("compact at exit, after a backup"), filled,
         [](const QString& path) {
             keepBackupsBeside(path);
             QString failed;
             try {
                 backups::backUp(path, QDateTime(QDate(2024, 3, 1), QTime(18, 0)));
             } catch (const std::exception& e) {
                 failed = QString::fromUtf8(e.what());
             }
             dataModule()->ADOConnection->close();
             answering([&] { CompactBase(path, QString(), QString()); });
             if (!failed.isEmpty())
                 throw engine::EngineError(failed);
         }},
        // A copy of another state written back in place, after a copy of the
        // present one. The copy to restore is made once, outside the folder.
        {QStringLiteral("restore a copy"), filled,
         [](const QString& path) {
             keepBackupsBeside(path);
             const QString source = QFileInfo(path).absoluteDir().filePath(QStringLiteral("../restored.mdb"));
             if (!QFile::exists(source)) {
                 engine::copyDatabase(path, source);
                 sqlite3* db = nullptr;
                 sqlite3_open(QFile::encodeName(source).constData(), &db);
                 sqlite3_exec(db, "DROP TABLE Games; DELETE FROM Books WHERE id % 3 = 0", nullptr, nullptr, nullptr);
                 sqlite3_close(db);
             }
             backups::restore(source, path, QDateTime(QDate(2024, 3, 1), QTime(18, 0)));
         }},
        {QStringLiteral("compact the file"),
         [rows](const QString& path) {
             catalogue(path, rows);
             sqlite3* db = nullptr;
             sqlite3_open(QFile::encodeName(path).constData(), &db);
             sqlite3_exec(db, "DELETE FROM Books WHERE id % 2 = 0", nullptr, nullptr, nullptr);
             sqlite3_close(db);
         },
         [](const QString& path) {
             dataModule()->ADOConnection->close();
             answering([&] { CompactBase(path, QString(), QString()); });
         }},
    };
}
