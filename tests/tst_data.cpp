// The data module's fields and the whole-file routines on real files.
#include "data/BaseFiles.h"
#include "data/DBMUnit.h"
#include "data/Layouts.h"
#include "data/ProgramState.h"
#include "data/Statements.h"
#include "data/TableNaming.h"
#include "engine/DatabaseFiles.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "tests/support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QtTest>
#include <sqlite3.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QByteArray digestOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Writes a file the way an older program version laid it out, with plain SQLite.
void makeFile(const QString& path, const QStringList& statements) {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    for (const QString& s : statements) {
        char* err = nullptr;
        QVERIFY2(sqlite3_exec(db, s.toUtf8().constData(), nullptr, nullptr, &err) == SQLITE_OK, err);
    }
    sqlite3_close(db);
}

const QStringList kOldLayout{
    "CREATE TABLE contacts (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(50), phone VARCHAR(25), address "
    "VARCHAR(50), birthday REAL, reliability INT)",
    "CREATE TABLE Books (id INTEGER PRIMARY KEY AUTOINCREMENT, title VARCHAR(50), type VARCHAR(25), issue REAL, return "
    "REAL, contact INT)",
    "CREATE TABLE Disks (id INTEGER PRIMARY KEY AUTOINCREMENT, title VARCHAR(50), type VARCHAR(25), issue REAL, return "
    "REAL, contact INT)",
    "INSERT INTO contacts (id, name, phone) VALUES (3, 'Ира', '123'), (17, 'Пётр', NULL)",
    "INSERT INTO Books (id, title, contact, issue, return) VALUES (5, 'Война и мир', 17, 45300, 45366), (9, 'Idiot', "
    "NULL, NULL, NULL)",
    "INSERT INTO Disks (id, title, contact) VALUES (40, 'Jazz', 3)",
};

} // namespace

class TestData : public QObject {
    Q_OBJECT

    std::unique_ptr<TestFolder> folder;
    std::unique_ptr<TDM> dm;

    void connectTo(const QString& path) {
        DM->ADOConnection->setConnectionString(ConnectionStringFor(path));
        DM->ADOConnection->open();
    }
    void run(const QString& a, const QString& b = {}) {
        DM->aqMain->clearSql();
        DM->aqMain->addSql(a);
        if (!b.isEmpty())
            DM->aqMain->addSql(b);
        DM->aqMain->execSQL();
    }
    void openMain(const QString& select) {
        DM->aqMain->clearSql();
        DM->aqMain->addSql(select);
        DM->aqMain->open();
    }
    void newCatalogue(const QString& path) {
        QVERIFY(CreateBase(path));
        connectTo(path);
        run(QStringLiteral("Create Table _contacts"), layouts::kContactColumns);
        run(QStringLiteral("Create Table Books"), layouts::kItemColumns);
    }

private slots:
    // Names from elsewhere made into names the table manager accepts and
    // every statement can carry bare.
    void acceptableTableNames_data() {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("made");
        QTest::newRow("as it is") << "Books" << QStringList{} << "Books";
        QTest::newRow("a space") << "My Books" << QStringList{} << "My_Books";
        QTest::newRow("taken, case aside") << "my_books" << QStringList{"My_Books"} << "my_books_2";
        QTest::newRow("taken twice") << "A" << QStringList{"a", "A_2"} << "A_3";
        QTest::newRow("digits first") << "2024" << QStringList{} << "Таблица_2024";
        QTest::newRow("leading underscore") << "_old" << QStringList{} << "old";
        QTest::newRow("nothing usable") << "%%" << QStringList{} << "Таблица";
        QTest::newRow("letters of other alphabets") << "Ёлки и café" << QStringList{} << "Елки_и_cafe";
        QTest::newRow("a word SQL keeps") << "Order" << QStringList{} << "Order_";
        QTest::newRow("Cyrillic, taken in other case") << "Книги" << QStringList{"КНИГИ"} << "Книги_2";
    }
    // Statements built from pieces carry any name and any text as data:
    // quote marks, a semicolon, Cyrillic, SQL's own words.
    void statementsCarryAnyNameAndText_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << "Books"
                               << "War and Peace";
        QTest::newRow("quotes") << "My \"best\" books"
                                << "It's \"quoted\"";
        QTest::newRow("a statement's end") << "x; DROP TABLE y"
                                           << "'); DROP TABLE x; --";
        QTest::newRow("Cyrillic and a key word") << "Order"
                                                 << "Ёлки";
    }
    void statementsCarryAnyNameAndText() {
        QFETCH(QString, table);
        QFETCH(QString, value);
        engine::createDatabase(folder->path("s.mdb"));
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + folder->path("s.mdb"));
        c.open();
        c.execute(sql::createTable(table, {{"id", "INTEGER PRIMARY KEY"}, {"title", "LONGTEXT"}, {"rank", "INT"}}));
        c.execute(sql::insertValues(table, {"id", "title", "rank"},
                                    {sql::number(qint64(7)), sql::text(value), sql::number(qint64(2))}));
        c.execute(sql::insertValues(table, {"id", "title", "rank"},
                                    {sql::number(qint64(8)), sql::text("первый"), sql::number(qint64(1))}));
        engine::Query q(&c, "q");
        q.addSql(sql::Select({sql::name("title")}).from(table).where(sql::equals("id", sql::number(qint64(7)))).text());
        q.open();
        QCOMPARE(q.recordCount(), 1);
        QCOMPARE(q.textValue(0, 0), value);
        engine::Query ordered(&c, "ordered");
        ordered.addSql(sql::Select({sql::name("title")}).from(table).orderBy("rank").text());
        ordered.open();
        QCOMPARE(ordered.recordCount(), 2);
        QCOMPARE(ordered.textValue(0, 0) + "|" + ordered.textValue(1, 0), "первый|" + value);
        QCOMPARE(c.tableNames(), QStringList{table});
    }

    void acceptableTableNames() {
        QFETCH(QString, wanted);
        QFETCH(QStringList, taken);
        QFETCH(QString, made);
        QCOMPARE(tablenaming::acceptableName(wanted, taken), made);
        QVERIFY(tablenaming::charactersAllowed(made));
    }

    void init() {
        ResetProgramState();
        folder = std::make_unique<TestFolder>();
        dm = std::make_unique<TDM>();
    }
    void cleanup() {
        dm.reset();
        folder.reset();
    }

    void itemFieldsShowSixColumns() {
        QStringList visible;
        for (const engine::FieldDef& d : DM->aqMain->fields())
            if (d.visible)
                visible << d.label();
        QCOMPARE(visible,
                 (QStringList{"Наименование", "Вид", "Дата выдачи", "Дата возврата", "Должник", "Примечание"}));
        QCOMPARE(DM->aqContacts->sqlText(), QStringLiteral("SELECT *\nFROM _contacts\n"));
    }

    void connectToLeavesTheFileBefore() {
        makeFile("first.mdb", {"CREATE TABLE First (id INT)"});
        makeFile("second.mdb", {"CREATE TABLE Second (id INT)"});
        DM->ConnectTo("first.mdb", engine::OpenMode::Write);
        DM->ConnectTo("second.mdb", engine::OpenMode::Write);
        QCOMPARE(DM->ADOConnection->tableNames(), QStringList{"Second"});
    }

    void textIsCutToTheFieldAndLookedUp() {
        newCatalogue(QStringLiteral("cat.mdb"));
        run(QStringLiteral("INSERT INTO _contacts (id, name) SELECT 1, 'Александра Владимировна Кузнецова'"));
        DM->aqContacts->open();
        openMain(QStringLiteral("SELECT * FROM Books"));
        DM->aqMain->insert();
        DM->aqMain->fieldByName("title").setAsString(QString(60, u'т'));
        DM->aqMain->fieldByName("contact").setAsInteger(1);
        DM->aqMain->post();
        DM->aqMain->insert();
        DM->aqMain->fieldByName("title").setAsString(QStringLiteral("дома"));
        DM->aqMain->post();
        openMain(QStringLiteral("SELECT * FROM Books"));
        DM->aqMain->sort(QStringLiteral("title ASC"));
        const int title = DM->aqMain->fieldIndex("title"), cname = DM->aqMain->fieldIndex("cname");
        QCOMPARE(DM->aqMain->textValue(0, title), QStringLiteral("дома"));
        QCOMPARE(DM->aqMain->textValue(0, cname), QString()); // not lent: empty debtor
        QCOMPARE(DM->aqMain->textValue(1, title), QString(50, u'т'));
        QCOMPARE(DM->aqMain->textValue(1, cname), QStringLiteral("Александра Владимиро"));
    }

    void phoneWiderThanItsColumnIsRefused() {
        newCatalogue(QStringLiteral("cat.mdb"));
        DM->aqContacts->open();
        DM->aqContacts->insert();
        DM->aqContacts->fieldByName("name").setAsString(QStringLiteral("Иван"));
        DM->aqContacts->fieldByName("phone").setAsString(QString(30, u'1'));
        QVERIFY_THROWS_EXCEPTION(engine::EngineError, DM->aqContacts->post());
        DM->aqContacts->cancel();
        QCOMPARE(DM->aqContacts->recordCount(), 0);
    }

    void tableNamesHoldItemTablesThenViews() {
        newCatalogue(QStringLiteral("cat.mdb"));
        run(QStringLiteral("CREATE VIEW Lent AS SELECT * FROM Books WHERE contact=1"));
        RebuildTableNames();
        QCOMPARE(TableNames, (QStringList{"Books", "Lent"}));
        QVERIFY(ListHolds(TableNames, QStringLiteral("BOOKS")));
    }

    void checkPassesCurrentLayouts_data() {
        QTest::addColumn<QStringList>("statements");
        QTest::newRow("only _contacts") << QStringList{"CREATE TABLE _contacts (id INTEGER)"};
        QTest::newRow("both contacts tables")
            << QStringList{"CREATE TABLE _contacts (id INTEGER)", "CREATE TABLE contacts (id INTEGER)"};
        QTest::newRow("neither") << QStringList{"CREATE TABLE Books (id INTEGER)"};
    }
    void checkPassesCurrentLayouts() {
        QFETCH(QStringList, statements);
        ScriptedMessageBoxes boxes; // any question would fail the test
        makeFile(folder->path("cat.mdb"), statements);
        DBPath = QStringLiteral("cat.mdb");
        QVERIFY(CheckBaseVersion());
        QVERIFY(!DM->ADOConnection->connected());
        QCOMPARE(boxes.count(), 0);
    }

    void refusedConversionChangesNothing() {
        makeFile(folder->path("old.mdb"), kOldLayout);
        const QByteArray before = digestOf(folder->path("old.mdb"));
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::No);
        DBPath = QStringLiteral("old.mdb");
        QVERIFY(!CheckBaseVersion());
        QCOMPARE(boxes.last().text, QStringLiteral("Версия базы 'old.mdb' устарела!\nХотите ее обновить?"));
        QCOMPARE(boxes.last().caption, QStringLiteral("Конвертация базы"));
        QCOMPARE(boxes.last().buttons, platform::Buttons::YesNo);
        QCOMPARE(boxes.last().icon, platform::Icon::Question);
        QVERIFY(!DM->ADOConnection->connected());
        QCOMPARE(digestOf(folder->path("old.mdb")), before);
    }

    void conversionKeepsEveryId() {
        makeFile(folder->path("old.mdb"), kOldLayout);
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Yes);
        DBPath = QStringLiteral("old.mdb");
        QVERIFY(CheckBaseVersion());
        QVERIFY(!DM->ADOConnection->connected());
        connectTo(DBPath);
        QCOMPARE(ReadTableNames(), (QStringList{"_contacts", "Books", "Disks"}));
        DM->aqContacts->open();
        QCOMPARE(DM->aqContacts->recordCount(), 2);
        openMain(QStringLiteral("SELECT * FROM Books"));
        QCOMPARE(DM->aqMain->recordCount(), 2);
        QCOMPARE(DM->aqMain->fieldByName("id").asInteger(), 5);
        QCOMPARE(DM->aqMain->fieldByName("cname").asString(), QStringLiteral("Пётр"));
        QCOMPARE(DM->aqMain->fieldByName("return").asFloat(), 45366.0);
        QVERIFY(DM->aqMain->fieldByName("description").isNull());
        openMain(QStringLiteral("SELECT * FROM Disks"));
        QCOMPARE(DM->aqMain->fieldByName("id").asInteger(), 40);
        QCOMPARE(DM->aqMain->fieldByName("cname").asString(), QStringLiteral("Ира"));
        // Checked again, a converted file raises no question.
        DM->ADOConnection->close();
        QVERIFY(CheckBaseVersion());
        QCOMPARE(boxes.count(), 1);
    }

    void conversionKeepsCountersAndViews() {
        QStringList statements = kOldLayout;
        statements << "DELETE FROM contacts WHERE id=17"
                   << "DELETE FROM Disks"
                   << "CREATE VIEW Lent AS SELECT * FROM Books WHERE contact IS NOT NULL";
        makeFile(folder->path("old.mdb"), statements);
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Yes);
        DBPath = QStringLiteral("old.mdb");
        QVERIFY(CheckBaseVersion());
        connectTo(DBPath);
        QCOMPARE(ReadTableNames(), (QStringList{"_contacts", "Books", "Disks", "Lent"}));
        DM->aqContacts->open();
        DM->aqContacts->insert();
        DM->aqContacts->fieldByName("name").setAsString(QStringLiteral("Новый"));
        DM->aqContacts->post();
        QCOMPARE(DM->aqContacts->fieldByName("id").asInteger(), 18); // 17 was given once: never again
        openMain(QStringLiteral("SELECT * FROM Disks"));
        DM->aqMain->insert();
        DM->aqMain->fieldByName("title").setAsString(QStringLiteral("new"));
        DM->aqMain->post();
        QCOMPARE(DM->aqMain->fieldByName("id").asInteger(), 41);
        openMain(QStringLiteral("SELECT * FROM Lent"));
        QCOMPARE(DM->aqMain->recordCount(), 1);
    }

    void oldFileWithoutItemTablesConverts() {
        makeFile(folder->path("old.mdb"), {kOldLayout[0], kOldLayout[3]});
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Yes);
        DBPath = QStringLiteral("old.mdb");
        QVERIFY(CheckBaseVersion());
        connectTo(DBPath);
        QCOMPARE(ReadTableNames(), QStringList{"_contacts"});
    }

    void failedConversionLeavesTheFileAsItWas() {
        // A phone longer than the new column: the copy of the contacts fails.
        QStringList statements = kOldLayout;
        statements << "INSERT INTO contacts (id, name, phone) VALUES (99, 'X', '" + QString(30, u'9') + "')";
        makeFile(folder->path("old.mdb"), statements);
        const QByteArray before = digestOf(folder->path("old.mdb"));
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Yes);
        DBPath = QStringLiteral("old.mdb");
        QVERIFY_THROWS_EXCEPTION(engine::EngineError, CheckBaseVersion());
        QVERIFY(!DM->ADOConnection->connected());
        QCOMPARE(digestOf(folder->path("old.mdb")), before);
    }

    void compactionInPlaceWithABareName() {
        newCatalogue(QStringLiteral("cat.mdb"));
        for (int i = 0; i < 2000; ++i)
            run(QStringLiteral("INSERT INTO Books (title) SELECT 'книга номер %1 с длинным названием'").arg(i));
        run(QStringLiteral("DELETE FROM Books WHERE id>5"));
        DM->ADOConnection->close();
        const qint64 before = QFileInfo(folder->path("cat.mdb")).size();
        ScriptedMessageBoxes boxes;
        CompactBase(QStringLiteral("cat.mdb"), QString(), QString());
        QCOMPARE(boxes.count(), 0);
        QVERIFY(QFileInfo(folder->path("cat.mdb")).size() < before);
        QCOMPARE(QDir(folder->root()).entryList(QDir::Files), QStringList{"cat.mdb"}); // no temporary file left
        connectTo(QStringLiteral("cat.mdb"));
        openMain(QStringLiteral("SELECT * FROM Books"));
        QCOMPARE(DM->aqMain->recordCount(), 5);
    }

    void compactionOfAFileInUseIsRefused() {
        newCatalogue(QStringLiteral("cat.mdb"));
        run(QStringLiteral("INSERT INTO Books (title) SELECT 'kept'"));
        DM->ADOConnection->close();
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(folder->path("cat.mdb")).constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr),
                 SQLITE_OK); // another program is writing
        const QByteArray before = digestOf(folder->path("cat.mdb"));
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        CompactBase(QStringLiteral("cat.mdb"), QString(), QString());
        QCOMPARE(boxes.last().text, QStringLiteral("База данных 'cat.mdb' заблокирована другой программой"));
        QCOMPARE(digestOf(folder->path("cat.mdb")), before);
        QCOMPARE(QDir(folder->root()).entryList({"mdb*"}), QStringList{});
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }

    void compactionKeepsTheFileAndItsOtherUsers() {
#ifdef _WIN32
        QSKIP("hard and symbolic links and inode numbers: POSIX file systems");
#else
        newCatalogue(QStringLiteral("cat.mdb"));
        for (int i = 0; i < 500; ++i)
            run(QStringLiteral("INSERT INTO Books (title) SELECT 'a rather long title number %1'").arg(i));
        run(QStringLiteral("DELETE FROM Books WHERE id>3"));
        DM->ADOConnection->close();
        const QByteArray file = QFile::encodeName(folder->path("cat.mdb"));
        QVERIFY(::link(file.constData(), QFile::encodeName(folder->path("hard.mdb")).constData()) == 0);
        QVERIFY(QFile::link(folder->path("cat.mdb"), folder->path("link.mdb")));
        struct stat before {};
        QCOMPARE(::stat(file.constData(), &before), 0);
        // Another program holds the file open, idle, through the compaction.
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(file.constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "SELECT count(*) FROM Books", nullptr, nullptr, nullptr), SQLITE_OK);
        ScriptedMessageBoxes boxes;
        CompactBase(QStringLiteral("link.mdb"), QString(), QString());
        QCOMPARE(boxes.count(), 0);
        struct stat after {};
        QCOMPARE(::stat(file.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_nlink, nlink_t(2));
        QVERIFY(after.st_size < before.st_size);
        QVERIFY(QFileInfo(folder->path("link.mdb")).isSymLink());
        // Its later write lands in the file that every name shows.
        QCOMPARE(sqlite3_exec(other, "INSERT INTO Books (title) VALUES ('written after')", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(other);
        connectTo(QStringLiteral("hard.mdb"));
        openMain(QStringLiteral("SELECT * FROM Books WHERE title='written after'"));
        QCOMPARE(DM->aqMain->recordCount(), 1);
        QCOMPARE(QDir(folder->root()).entryList(QDir::Files), (QStringList{"cat.mdb", "hard.mdb", "link.mdb"}));
#endif
    }

    void damagedCatalogueIsNotCompacted() {
        newCatalogue(QStringLiteral("cat.mdb"));
        for (int i = 0; i < 1000; ++i)
            run(QStringLiteral("INSERT INTO Books (title) SELECT 'a rather long title number %1'").arg(i));
        run(QStringLiteral("DELETE FROM Books WHERE id>900"));
        DM->ADOConnection->close();
        // Rows out of order in one leaf page: the first two cell pointers
        // of the first table leaf page after the schema swapped.
        QFile file(folder->path("cat.mdb"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        const int pageSize = 4096;
        int page = 2;
        while ((page + 1) * pageSize <= bytes.size()
               && (uchar(bytes[page * pageSize]) != 0x0D || uchar(bytes[page * pageSize + 4]) < 2))
            ++page;
        QVERIFY((page + 1) * pageSize <= bytes.size());
        const qsizetype cells = page * pageSize + 8;
        const QByteArray first = bytes.mid(cells, 2);
        bytes.replace(cells, 2, bytes.mid(cells + 2, 2));
        bytes.replace(cells + 2, 2, first);
        file.seek(0);
        file.write(bytes);
        file.close();
        const QByteArray before = digestOf(folder->path("cat.mdb"));
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        CompactBase(QStringLiteral("cat.mdb"), QString(), QString());
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, engine::damagedMessage(QStringLiteral("cat.mdb")));
        QCOMPARE(digestOf(folder->path("cat.mdb")), before);
        QCOMPARE(QDir(folder->root()).entryList(QDir::Files), QStringList{"cat.mdb"});
    }

    void unwritableFolderIsNotCompacted() {
#ifdef _WIN32
        QSKIP("a folder's permissions: Windows keeps none that forbid writing to an owner");
#else
        newCatalogue(QStringLiteral("cat.mdb"));
        run(QStringLiteral("DELETE FROM Books"));
        DM->ADOConnection->close();
        const QByteArray before = digestOf(folder->path("cat.mdb"));
        QFile::setPermissions(folder->root(), QFile::ReadOwner | QFile::ExeOwner);
        ScriptedMessageBoxes boxes;
        CompactBase(QStringLiteral("cat.mdb"), QString(), QString());
        QFile::setPermissions(folder->root(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(digestOf(folder->path("cat.mdb")), before);
#endif
    }

    void givenDestinationIsNeverDeleted() {
        newCatalogue(QStringLiteral("cat.mdb"));
        DM->ADOConnection->close();
        const QByteArray before = digestOf(folder->path("cat.mdb"));
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        CompactBase(QStringLiteral("cat.mdb"), QStringLiteral("./cat.mdb"), QString());
        QCOMPARE(boxes.last().text, QStringLiteral("Файл './cat.mdb' уже существует"));
        QCOMPARE(digestOf(folder->path("cat.mdb")), before);
    }

    void readOnlyFileIsNotCompacted() {
        newCatalogue(QStringLiteral("cat.mdb"));
        run(QStringLiteral("DELETE FROM Books"));
        DM->ADOConnection->close();
        QFile::setPermissions(folder->path("cat.mdb"), QFile::ReadOwner | QFile::ReadGroup);
        const QByteArray before = digestOf(folder->path("cat.mdb"));
        ScriptedMessageBoxes boxes;
        CompactBase(QStringLiteral("cat.mdb"), QString(), QString());
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(digestOf(folder->path("cat.mdb")), before);
        QCOMPARE(QDir(folder->root()).entryList(QDir::Files), QStringList{"cat.mdb"});
        QFile::setPermissions(folder->path("cat.mdb"), QFile::ReadOwner | QFile::WriteOwner);
    }

    void failedCompactionLeavesTheSource() {
        QFile junk(folder->path("junk.mdb"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(8192, 'j'));
        junk.close();
        const QByteArray before = digestOf(folder->path("junk.mdb"));
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        CompactBase(QStringLiteral("junk.mdb"), QString(), QString());
        QCOMPARE(boxes.last().text, QStringLiteral("Файл 'junk.mdb' не является базой данных"));
        QCOMPARE(boxes.last().buttons, platform::Buttons::Ok);
        QCOMPARE(digestOf(folder->path("junk.mdb")), before);
        QCOMPARE(QDir(folder->root()).entryList(QDir::Files), QStringList{"junk.mdb"});
    }

    void createBaseRefusesAnExistingFile() {
        makeFile(folder->path("cat.mdb"), {"CREATE TABLE keep (id INTEGER)"});
        const QByteArray before = digestOf(folder->path("cat.mdb"));
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        QVERIFY(!CreateBase(QStringLiteral("cat.mdb")));
        QCOMPARE(boxes.last().text, QStringLiteral("Файл 'cat.mdb' уже существует"));
        QCOMPARE(digestOf(folder->path("cat.mdb")), before);
    }
};

QTEST_MAIN(TestData)
#include "tst_data.moc"
