// The engine's SQL dialect and dataset semantics, on real files.
#include "engine/Connection.h"
#include "engine/DatabaseFiles.h"
#include "engine/Dialect.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "engine/Snapshot.h"
#include "engine/Unicode.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>
#include <sqlite3.h>

using namespace engine;

namespace {

const QString kItemColumns = QStringLiteral("(id COUNTER PRIMARY KEY, title VARCHAR(50), type VARCHAR(25), issue "
                                            "DATETIME, return DATETIME, contact INT, description VARCHAR(50))");

QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EngineError& e) {
        return e.message();
    }
    return {};
}

// Runs one statement on a file through a second, plain SQLite handle: what
// "another program" does.
void otherProgram(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
    QVERIFY2(rc == SQLITE_OK, err);
    sqlite3_close(db);
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<TestFolder> folder;
    std::unique_ptr<Connection> conn;

    QString dbPath() const { return folder->path(QStringLiteral("test.mdb")); }
    void exec(const QString& sql) { conn->execute(sql); }
    int count(const QString& select) {
        Query q(conn.get(), QStringLiteral("q"));
        q.addSql(select);
        q.open();
        return q.recordCount();
    }
    void makeItems(const QString& table) { exec(QStringLiteral("Create Table ") + table + u'\n' + kItemColumns); }

private slots:
    void init() {
        folder = std::make_unique<TestFolder>();
        createDatabase(dbPath());
        conn = std::make_unique<Connection>();
        conn->setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dbPath()
                                  + QStringLiteral(";Persist Security Info=False"));
        conn->open();
    }
    void cleanup() {
        conn.reset();
        folder.reset();
    }

    void dataSourceIsParsed() {
        QCOMPARE(Connection::dataSourceOf(QStringLiteral("Provider=X;Data Source=a b.mdb;Persist Security Info=False")),
                 QStringLiteral("a b.mdb"));
        QCOMPARE(Connection::dataSourceOf(QStringLiteral("Provider=X;Data Source=/tmp/x.mdb")),
                 QStringLiteral("/tmp/x.mdb"));
        QCOMPARE(Connection::dataSourceOf(QStringLiteral("Data Source=/data/a;b.mdb;Persist Security Info=False")),
                 QStringLiteral("/data/a;b.mdb"));
        QCOMPARE(Connection::dataSourceOf(QStringLiteral("Data Source=x.mdb; ")), QStringLiteral("x.mdb"));
    }

    void like_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("latin any case") << "%ring%" << QStringList{"Earring", "String", "RING binder"};
        QTest::newRow("cyrillic any case") << "%книг%" << QStringList{"Книга", "КНИГИ"};
        QTest::newRow("cyrillic upper pattern") << "%КНИЖ%" << QStringList{"записная книжка"};
        QTest::newRow("percent as pattern") << "%50%" << QStringList{"50% off", "150 pages", "x50"};
        QTest::newRow("underscore one char") << "%5_ p%" << QStringList{"150 pages"};
        QTest::newRow("prefix") << "str%" << QStringList{"String", "\u017Ftrange"};
        QTest::newRow("suffix") << "%КА" << QStringList{"записная книжка"};
        QTest::newRow("exact ignores case") << "string" << QStringList{"String"};
        QTest::newRow("kelvin sign folds to k") << "%KEL%" << QStringList{"\u212Aelvin scale"};
        QTest::newRow("long s folds to s") << "%str%" << QStringList{"String", "\u017Ftrange"};
        QTest::newRow("greek") << "%σοφ%" << QStringList{"ΣΟΦΙΑ"};
        QTest::newRow("brackets are literal") << "%[a]%" << QStringList{"[a] note"};
        QTest::newRow("everything but null")
            << "%" << QStringList{"Earring",      "String",    "RING binder", "Книга",    "КНИГИ", "записная книжка",
                                  "50% off",      "150 pages", "x50",         "[a] note", "",      "\u212Aelvin scale",
                                  "\u017Ftrange", "ΣΟΦΙΑ"};
    }
    void like() {
        QFETCH(QString, pattern);
        QFETCH(QStringList, expected);
        makeItems(QStringLiteral("T"));
        const QStringList titles{"Earring",      "String",    "RING binder", "Книга",    "КНИГИ", "записная книжка",
                                 "50% off",      "150 pages", "x50",         "[a] note", "",      "\u212Aelvin scale",
                                 "\u017Ftrange", "ΣΟΦΙΑ"};
        for (const QString& t : titles)
            exec(QStringLiteral("INSERT INTO T (title) SELECT '") + t + QStringLiteral("'"));
        exec(QStringLiteral("INSERT INTO T (type) SELECT 'no title'"));
        Query q(conn.get(), QStringLiteral("q"));
        q.addSql(QStringLiteral("SELECT * FROM T WHERE title LIKE '") + pattern + u'\'');
        q.open();
        QStringList found;
        for (int r = 0; r < q.recordCount(); ++r)
            found << q.textValue(r, q.fieldIndex(QStringLiteral("title")));
        QCOMPARE(found, expected);
    }

    void likeEdgeCases_data() {
        QTest::addColumn<QByteArray>("pattern");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("matches");
        QTest::newRow("folding char after the last stop")
            << QByteArray("%abcas%") << QByteArray("abca\xC5\xBF") << true;
        QTest::newRow("needle longer than the rest") << QByteArray("%ssss%") << QByteArray("sss\xC5\xBF") << true;
        QTest::newRow("no match at the end") << QByteArray("%ring%") << QByteArray("rin") << false;
        QTest::newRow("overlong a is no a") << QByteArray("a") << QByteArray("\xC1\x81") << false;
        QTest::newRow("overlong a, slow path") << QByteArray("_") << QByteArray("\xC1\x81") << false;
        QTest::newRow("beyond Unicode is no wildcard") << QByteArray("a\xF4\x90\x80\x80"
                                                                     "b")
                                                       << QByteArray("axyzb") << false;
        QTest::newRow("underscore takes one letter") << QByteArray("_") << QByteArray("\xD0\x96") << true;
        QTest::newRow("underscore in the middle") << QByteArray("%к_иг%") << QByteArray("КНИГИ") << true;
        QTest::newRow("underscore is one letter only") << QByteArray("%к_г%") << QByteArray("КНИГИ") << false;
        QTest::newRow("percent anywhere") << QByteArray("%К%Г%") << QByteArray("книга") << true;
    }
    void likeEdgeCases() {
        QFETCH(QByteArray, pattern);
        QFETCH(QByteArray, text);
        QFETCH(bool, matches);
        const unicode::LikePattern p(std::string_view(pattern.constData(), pattern.size()));
        QCOMPARE(p.matches(std::string_view(text.constData(), text.size())), matches);
    }

    void likeEscape() {
        const unicode::LikePattern p("a!%b", U'!');
        QVERIFY(p.matches("A%B"));
        QVERIFY(!p.matches("axb"));
    }

    void emptyTextsAfterFullBlocks() {
        Snapshot s;
        s.reset({Snapshot::Storage::Text});
        const std::string block(1 << 20, 'x'), large((1 << 20) + 5, 'y');
        for (const std::string* t : std::initializer_list<const std::string*>{&block, nullptr, &large, nullptr}) {
            s.appendText(0, t ? std::string_view(*t) : std::string_view());
            s.finishRow();
        }
        QCOMPARE(s.text(0, 0).size(), block.size());
        QVERIFY(s.text(1, 0).empty());
        QCOMPARE(s.text(2, 0), std::string_view(large));
        QVERIFY(s.text(3, 0).empty());
        QVERIFY(!s.isNull(3, 0));
    }

    void postDoesNotRepeatForAListener() {
        makeItems(QStringLiteral("T"));
        exec(QStringLiteral("INSERT INTO T (title) SELECT 'old'"));
        Query q(conn.get(), QStringLiteral("q"));
        q.addSql(QStringLiteral("SELECT * FROM T"));
        q.open();
        q.last();
        // A listener that moves the record when it hears of the insert.
        connect(&q, &Query::currentRowChanged, &q, [&q](int row) {
            if (row != 1)
                q.setCurrentRow(1);
        });
        q.insert();
        q.fieldByName("title").setAsString(QStringLiteral("new"));
        q.post();
        QCOMPARE(count(QStringLiteral("SELECT * FROM T WHERE title='new'")), 1);
        QCOMPARE(q.state(), Query::State::Browse);
    }

    void queriesLookingEachOtherUp() {
        exec(QStringLiteral("Create Table A\n(id COUNTER PRIMARY KEY, other INT, name VARCHAR(20))"));
        exec(QStringLiteral("INSERT INTO A (id, other, name) SELECT 1, 1, 'a-one'"));
        Query a(conn.get(), QStringLiteral("a")), b(conn.get(), QStringLiteral("b"));
        auto defs = [](Query* source) {
            FieldDef look = FieldDef::of(QStringLiteral("look"), FieldKind::Lookup, 20);
            look.keyField = QStringLiteral("other");
            look.lookupDataset = source;
            look.lookupKeyField = QStringLiteral("id");
            look.lookupResultField = QStringLiteral("name");
            return QList<FieldDef>{FieldDef::of(QStringLiteral("id"), FieldKind::AutoIncrement),
                                   FieldDef::of(QStringLiteral("other"), FieldKind::Integer),
                                   FieldDef::of(QStringLiteral("name"), FieldKind::Text, 20), look};
        };
        a.setFieldDefs(defs(&b));
        b.setFieldDefs(defs(&a));
        for (Query* q : {&a, &b}) {
            q->addSql(QStringLiteral("SELECT * FROM A"));
            q->open();
        }
        QCOMPARE(a.fieldByName("look").asString(), QStringLiteral("a-one"));
        QCOMPARE(b.fieldByName("look").asString(), QStringLiteral("a-one"));
        a.close();
        a.open(); // each hears of the other without echoing forever
        QCOMPARE(b.fieldByName("look").asString(), QStringLiteral("a-one"));
    }

    void tableNamesMatchWithoutCase() {
        makeItems(QStringLiteral("Книги"));
        exec(QStringLiteral("INSERT INTO КНИГИ (title) SELECT 'x'"));
        QCOMPARE(count(QStringLiteral("SELECT * FROM книги")), 1);
        QCOMPARE(count(QStringLiteral("SELECT * FROM КнИгИ WHERE title LIKE '%X%'")), 1);
        QCOMPARE(conn->resolveTable(QStringLiteral("КНИГИ")), QStringLiteral("Книги"));
        QCOMPARE(errorOf([&] { makeItems(QStringLiteral("КНИГИ")); }),
                 QStringLiteral("Таблица 'КНИГИ' уже существует"));
        exec(QStringLiteral("DROP TABLE кНИГИ"));
        QVERIFY(conn->tableNames().isEmpty());
    }

    void dialectRewrite_data() {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("rewritten");
        QTest::addColumn<QString>("firstTable");
        QTest::newRow("sub-select") << "SELECT * FROM (SELECT * FROM books) WHERE 1"
                                    << "SELECT * FROM (SELECT * FROM \"Books\") WHERE 1"
                                    << "Books";
        QTest::newRow("FROM list") << "SELECT * FROM books b, книги WHERE b.id=1 ORDER BY b.title, b.type"
                                   << "SELECT * FROM \"Books\" b, \"Книги\" WHERE b.id=1 ORDER BY b.title, b.type"
                                   << "Books";
        QTest::newRow("schema prefix") << "SELECT * FROM main.books"
                                       << "SELECT * FROM main.\"Books\""
                                       << "Books";
        QTest::newRow("string in place of a table") << "SELECT * FROM 'x' WHERE 1"
                                                    << "SELECT * FROM 'x' WHERE 1"
                                                    << "";
        QTest::newRow("upsert") << "INSERT INTO books (id) VALUES (1) ON CONFLICT(id) DO UPDATE SET id=2"
                                << "INSERT INTO \"Books\" (id) VALUES (1) ON CONFLICT(id) DO UPDATE SET id=2"
                                << "Books";
        QTest::newRow("quoted and odd column names")
            << "Create Table T\n(datetime DATETIME, [long name] VARCHAR(5), title VARCHAR(50))"
            << "Create Table \"T\"\n(datetime REAL, [long name] VARCHAR(5) CONSTRAINT \"zandrel_len:long name:5\" "
               "CHECK(length(\"long name\")<=5), title VARCHAR(50) CONSTRAINT \"zandrel_len:title:50\" "
               "CHECK(length(\"title\")<=50))"
            << "";
        QTest::newRow("if not exists") << "CREATE TABLE IF NOT EXISTS books (id INT)"
                                       << "CREATE TABLE IF NOT EXISTS \"Books\" (id INT)"
                                       << "";
    }
    void dialectRewrite() {
        QFETCH(QString, statement);
        QFETCH(QString, rewritten);
        QFETCH(QString, firstTable);
        const auto resolve = [](const QString& name) {
            for (const QString& table : {QStringLiteral("Books"), QStringLiteral("Книги")})
                if (table.compare(name, Qt::CaseInsensitive) == 0)
                    return table;
            return QString();
        };
        const RewrittenStatement r = rewriteStatement(statement, resolve);
        QCOMPARE(r.sql, rewritten);
        QCOMPARE(r.firstTable, firstTable);
    }

    void namesDifferingOnlyInCase() {
        otherProgram(dbPath(),
                     "CREATE TABLE Книги (id INTEGER); CREATE TABLE КНИГИ (id INTEGER); INSERT INTO Книги VALUES (1)");
        QCOMPARE(errorOf([&] { exec(QStringLiteral("DROP TABLE книги")); }).left(25),
                 QStringLiteral("Имя таблицы 'книги' неодн"));
        exec(QStringLiteral("DROP TABLE КНИГИ")); // the exact name, not the first that folds alike
        QCOMPARE(conn->tableNames(), QStringList{"Книги"});
        QCOMPARE(count(QStringLiteral("SELECT * FROM книги")), 1);
    }

    void tablesListInAlphabeticalOrder() {
        for (const char* name : {"Жуки", "Ёлки", "Ели"})
            makeItems(QString::fromUtf8(name));
        QCOMPARE(conn->tableNames(), (QStringList{"Ели", "Ёлки", "Жуки"}));
    }

    void tablesBeforeViewsWithoutSystemTables() {
        makeItems(QStringLiteral("Books"));
        makeItems(QStringLiteral("apples"));
        exec(QStringLiteral("Create Table _contacts\n(id COUNTER PRIMARY KEY, name VARCHAR(50))"));
        exec(QStringLiteral("CREATE VIEW Lent AS SELECT * FROM Books WHERE contact=1"));
        exec(QStringLiteral("CREATE VIEW Aside AS SELECT * FROM Books"));
        // AUTOINCREMENT makes SQLite's own sqlite_sequence table: never listed.
        QCOMPARE(conn->tableNames(), (QStringList{"_contacts", "apples", "Books", "Aside", "Lent"}));
    }

    void namesThatNeedQuoting() {
        makeItems(QStringLiteral("2024_books"));
        makeItems(QStringLiteral("Select"));
        exec(QStringLiteral("INSERT INTO 2024_books (title) SELECT 'a'"));
        QCOMPARE(count(QStringLiteral("SELECT * FROM 2024_books")), 1);
        QCOMPARE(count(QStringLiteral("SELECT * FROM select")), 0);
    }

    void dayNumbersAndNulls_data() {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<int>("expected");
        QTest::newRow("<= tomorrow") << "return<=45367" << 2;
        QTest::newRow("< today") << "return<45366" << 1;
        QTest::newRow("= contact") << "contact=7" << 1;
        QTest::newRow("null matches no <=") << "return<=99999" << 3;
        QTest::newRow("null matches no =") << "contact=0" << 0;
    }
    void dayNumbersAndNulls() {
        QFETCH(QString, condition);
        QFETCH(int, expected);
        makeItems(QStringLiteral("T"));
        exec(QStringLiteral("INSERT INTO T (title, return, contact) SELECT 'a', 45367, 7")); // 16 March 2024
        exec(QStringLiteral("INSERT INTO T (title, return) SELECT 'b', 45352"));             // 1 March 2024
        exec(QStringLiteral("INSERT INTO T (title, return) SELECT 'c', 45368"));             // 17 March 2024
        exec(QStringLiteral("INSERT INTO T (title) SELECT 'undated'"));
        QCOMPARE(count(QStringLiteral("SELECT * FROM T WHERE ") + condition), expected);
    }

    void insertSelectKeepsCounters() {
        makeItems(QStringLiteral("Old"));
        otherProgram(dbPath(), "INSERT INTO Old (id, title) VALUES (5, 'five'), (42, 'forty-two')");
        makeItems(QStringLiteral("New"));
        exec(QStringLiteral("INSERT INTO New (id, title, type, issue, return, contact, description)\n"
                            "SELECT id, title, type, issue, return, contact, description FROM Old"));
        Query q(conn.get(), QStringLiteral("q"));
        q.addSql(QStringLiteral("SELECT * FROM New"));
        q.open();
        QCOMPARE(q.recordCount(), 2);
        QCOMPARE(q.integerValue(0, q.fieldIndex("id")), 5);
        QCOMPARE(q.integerValue(1, q.fieldIndex("id")), 42);
        q.insert();
        q.fieldByName("title").setAsString("next");
        q.post();
        QCOMPARE(q.fieldByName("id").asInteger(), 43); // counters are never reused
    }

    void lengthsEnforcedOnEveryWritePath() {
        exec(QStringLiteral("Create Table _contacts\n(id COUNTER PRIMARY KEY, name VARCHAR(50), phone VARCHAR(25))"));
        const QString tooLong(30, u'7');
        QCOMPARE(errorOf([&] { exec("INSERT INTO _contacts (phone) SELECT '" + tooLong + "'"); }),
                 QStringLiteral("Значение поля 'phone' длиннее 25 символов"));
        Query q(conn.get(), QStringLiteral("aqContacts"));
        // The field is wider than its column: the engine has the last word.
        q.setFieldDefs({FieldDef::of(QStringLiteral("id"), FieldKind::AutoIncrement),
                        FieldDef::of(QStringLiteral("phone"), FieldKind::Text, 50)});
        q.addSql(QStringLiteral("SELECT * FROM _contacts"));
        q.open();
        q.insert();
        q.fieldByName("phone").setAsString(tooLong);
        QCOMPARE(errorOf([&] { q.post(); }), QStringLiteral("Значение поля 'phone' длиннее 25 символов"));
        QCOMPARE(count(QStringLiteral("SELECT * FROM _contacts")), 0);
        q.fieldByName("phone").setAsString(QString(25, u'ф'));
        q.post();
        QCOMPARE(count(QStringLiteral("SELECT * FROM _contacts")), 1);
    }

    void oneStatementOnly_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("refused");
        QTest::newRow("two statements") << "DROP TABLE T; DROP TABLE U" << true;
        QTest::newRow("injected") << "SELECT * FROM T WHERE title LIKE '%x%'; DELETE FROM T" << true;
        QTest::newRow("trailing semicolon") << "DROP TABLE T;  " << false;
        QTest::newRow("semicolon in text") << "INSERT INTO T (title) SELECT 'a;b'" << false;
    }
    void oneStatementOnly() {
        QFETCH(QString, sql);
        QFETCH(bool, refused);
        makeItems(QStringLiteral("T"));
        makeItems(QStringLiteral("U"));
        const QString error = errorOf([&] { exec(sql); });
        QCOMPARE(error == QStringLiteral("Текст запроса содержит более одной инструкции"), refused);
        if (refused)
            QCOMPARE(conn->tableNames(), (QStringList{"T", "U"}));
    }

    void recordLifecycle() {
        makeItems(QStringLiteral("T"));
        Query q(conn.get(), QStringLiteral("aqMain"));
        q.addSql(QStringLiteral("SELECT * FROM T"));
        q.open();
        QCOMPARE(q.recordCount(), 0);
        QCOMPARE(q.currentRow(), -1);
        q.edit(); // nothing to edit: begins an insert
        QCOMPARE(q.state(), Query::State::Insert);
        q.fieldByName("title").setAsString(QString(60, u'x'));
        q.fieldByName("issue").setAsFloat(45366.0);
        q.post();
        QCOMPARE(q.recordCount(), 1);
        QCOMPARE(q.fieldByName("title").asString(), QString(50, u'x'));
        QVERIFY(q.fieldByName("return").isNull());
        const int64_t id = q.fieldByName("id").asInteger();
        QVERIFY(id > 0);

        q.edit();
        q.fieldByName("title").setAsString(QStringLiteral("Ёлка 🎄 漢字"));
        q.cancel();
        QCOMPARE(q.fieldByName("title").asString(), QString(50, u'x'));
        q.edit();
        q.fieldByName("title").setAsString(QStringLiteral("Ёлка 🎄 漢字"));
        q.post();

        Query fresh(conn.get(), QStringLiteral("fresh"));
        fresh.addSql(QStringLiteral("SELECT * FROM T"));
        fresh.open();
        QCOMPARE(fresh.fieldByName("title").asString(), QStringLiteral("Ёлка 🎄 漢字")); // every character kept
        QCOMPARE(fresh.fieldByName("issue").asFloat(), 45366.0);

        q.deleteRecord();
        QCOMPARE(q.recordCount(), 0);
        QCOMPARE(count(QStringLiteral("SELECT * FROM T")), 0);
    }

    void editOfChangedRowFails_data() {
        QTest::addColumn<QString>("otherChange");
        QTest::newRow("changed") << "UPDATE T SET title='theirs'";
        QTest::newRow("deleted") << "DELETE FROM T";
    }
    void editOfChangedRowFails() {
        QFETCH(QString, otherChange);
        makeItems(QStringLiteral("T"));
        exec(QStringLiteral("INSERT INTO T (title) SELECT 'original'"));
        Query q(conn.get(), QStringLiteral("aqMain"));
        q.addSql(QStringLiteral("SELECT * FROM T"));
        q.open();
        otherProgram(dbPath(), otherChange.toUtf8().constData());
        q.edit();
        q.fieldByName("title").setAsString(QStringLiteral("mine"));
        QCOMPARE(errorOf([&] { q.post(); }),
                 QStringLiteral("Запись «original» таблицы 'T' каталога '%1' изменена или удалена другой программой, "
                                "пока была открыта здесь; ваши изменения не сохранены")
                     .arg(QFileInfo(dbPath()).fileName()));
        QCOMPARE(count(QStringLiteral("SELECT * FROM T WHERE title='mine'")), 0);
    }

    void sortFoldsEveryAlphabet() {
        makeItems(QStringLiteral("T"));
        for (const char* t : {"яблоко", "Арбуз", "банан", "Zebra", "apple", "Ёж", "BANANA", "banana"})
            exec(QStringLiteral("INSERT INTO T (title) SELECT '") + QString::fromUtf8(t) + u'\'');
        exec(QStringLiteral("INSERT INTO T (type) SELECT 'untitled'"));
        Query q(conn.get(), QStringLiteral("q"));
        q.addSql(QStringLiteral("SELECT * FROM T"));
        q.open();
        q.sort(QStringLiteral("title ASC"));
        QStringList titles;
        const int f = q.fieldIndex("title");
        for (int r = 0; r < q.recordCount(); ++r)
            titles << (q.isNull(r, f) ? QStringLiteral("<null>") : q.textValue(r, f));
        // Nulls first; equal texts keep their order; Ё sorts with Е.
        QCOMPARE(titles,
                 (QStringList{"<null>", "apple", "BANANA", "banana", "Zebra", "Арбуз", "банан", "Ёж", "яблоко"}));
        QCOMPARE(q.currentRow(), 0);
        q.close();
        q.open(); // a reopened result comes in the engine's order
        QCOMPARE(q.textValue(0, f), QStringLiteral("яблоко"));
    }

    void sortOrders_data() {
        QTest::addColumn<QString>("order");
        QTest::addColumn<QStringList>("values"); // inserted in this order; "" is Null
        QTest::addColumn<QStringList>("sorted");
        // Texts sharing their first 8 and 16 folded bytes, in any case.
        QTest::newRow("long common prefixes")
            << "title ASC"
            << QStringList{"Собрание сочинений, том 2", "СОБРАНИЕ СОЧИНЕНИЙ, ТОМ 1", "собрание сочинений", "Собрание"}
            << QStringList{"Собрание", "собрание сочинений", "СОБРАНИЕ СОЧИНЕНИЙ, ТОМ 1", "Собрание сочинений, том 2"};
        QTest::newRow("alike beyond 16 bytes")
            << "title ASC"
            << QStringList{"Полное собрание сочинений, том 2", "ПОЛНОЕ СОБРАНИЕ СОЧИНЕНИЙ, ТОМ 10",
                           "Полное собрание сочинений", "полное собрание сочинений, том 1"}
            << QStringList{"Полное собрание сочинений", "полное собрание сочинений, том 1",
                           "ПОЛНОЕ СОБРАНИЕ СОЧИНЕНИЙ, ТОМ 10", "Полное собрание сочинений, том 2"};
        QTest::newRow("equal in any case keep their order")
            << "title ASC" << QStringList{"Abcdefghijk", "ABCDEFGHIJK", "abcdefghijk"}
            << QStringList{"Abcdefghijk", "ABCDEFGHIJK", "abcdefghijk"};
        QTest::newRow("Russian alphabetical order")
            << "title ASC" << QStringList{"Яблоко",  "ёлка",  "Ежик",    "Ель",  "éclair", "Zebra", "eclair", "10 книг",
                                          "2 книги", "apple", "іграшка", "єнот", "жук",    "Ёлка",  "иволга"}
            << QStringList{"10 книг", "2 книги", "apple", "eclair", "éclair", "Zebra",   "Ежик",  "ёлка",
                           "Ёлка",    "Ель",     "єнот",  "жук",    "иволга", "іграшка", "Яблоко"};
        QTest::newRow("descending, nulls last")
            << "title DESC" << QStringList{"b", "", "a", "c"} << QStringList{"c", "b", "a", ""};
        QTest::newRow("day numbers with negatives")
            << "return ASC" << QStringList{"45366.5", "-3.25", "", "0", "45366", "-700"}
            << QStringList{"", "-700", "-3.25", "0", "45366", "45366.5"};
        QTest::newRow("integers") << "contact ASC" << QStringList{"7", "-2", "", "100000", "0"}
                                  << QStringList{"", "-2", "0", "7", "100000"};
        // "value#n": the value inserted n-th (from 0); equal values keep that order.
        QTest::newRow("equal dates in order of entry")
            << "return ASC" << QStringList{"45366", "45300", "45366", "45366.5", "45366", "45300"}
            << QStringList{"45300#1", "45300#5", "45366#0", "45366#2", "45366#4", "45366.5#3"};
        QTest::newRow("equal issue dates in order of entry")
            << "issue ASC" << QStringList{"2", "1", "2", "1"} << QStringList{"1#1", "1#3", "2#0", "2#2"};
        QTest::newRow("equal numbers in order of entry") << "contact ASC" << QStringList{"3", "3", "-1", "3", "-1"}
                                                         << QStringList{"-1#2", "-1#4", "3#0", "3#1", "3#3"};
    }
    void sortOrders() {
        QFETCH(QString, order);
        QFETCH(QStringList, values);
        QFETCH(QStringList, sorted);
        makeItems(QStringLiteral("T"));
        const QString column = order.section(u' ', 0, 0);
        const bool entryOrder = !sorted.filter(QStringLiteral("#")).isEmpty();
        for (int n = 0; n < values.size(); ++n) {
            const QString& v = values[n];
            const QString literal = v.isEmpty() ? QStringLiteral("NULL") : column == u"title" ? u'\'' + v + u'\'' : v;
            if (entryOrder)
                exec(QStringLiteral("INSERT INTO T (%1, title) SELECT %2, '%3'").arg(column, literal).arg(n));
            else
                exec(QStringLiteral("INSERT INTO T (%1) SELECT %2").arg(column, literal));
        }
        Query q(conn.get(), QStringLiteral("q"));
        q.addSql(QStringLiteral("SELECT * FROM T"));
        q.open();
        q.sort(order);
        const int f = q.fieldIndex(column);
        QStringList got;
        for (int r = 0; r < q.recordCount(); ++r)
            got << (q.isNull(r, f) ? QString() : q.textValue(r, f))
                       + (entryOrder ? u'#' + q.textValue(r, q.fieldIndex("title")) : QString());
        QCOMPARE(got, sorted);
    }

    void missingFieldNamesTheQuery() {
        exec(QStringLiteral("Create Table Old\n(id COUNTER PRIMARY KEY, title VARCHAR(50))"));
        Query q(conn.get(), QStringLiteral("aqMain"));
        FieldDef id = FieldDef::of(QStringLiteral("id"), FieldKind::AutoIncrement);
        FieldDef note = FieldDef::of(QStringLiteral("description"), FieldKind::Text, 50, QStringLiteral("Примечание"));
        q.setFieldDefs({id, note});
        q.addSql(QStringLiteral("SELECT * FROM Old"));
        QCOMPARE(errorOf([&] { q.open(); }), QStringLiteral("aqMain: Field 'Примечание' not found"));
        QVERIFY(!q.isOpen());
    }

    void lookupFollowsItsSource() {
        exec(QStringLiteral("Create Table _contacts\n(id COUNTER PRIMARY KEY, name VARCHAR(50))"));
        makeItems(QStringLiteral("T"));
        exec(QStringLiteral("INSERT INTO _contacts (id, name) SELECT 1, 'Константин Константинович Смирнов'"));
        exec(QStringLiteral("INSERT INTO T (title, contact) SELECT 'lent', 1"));
        exec(QStringLiteral("INSERT INTO T (title, contact) SELECT 'gone', 99"));
        exec(QStringLiteral("INSERT INTO T (title) SELECT 'home'"));
        Query contacts(conn.get(), QStringLiteral("aqContacts"));
        contacts.addSql(QStringLiteral("SELECT *"));
        contacts.addSql(QStringLiteral("FROM _contacts"));
        Query items(conn.get(), QStringLiteral("aqMain"));
        FieldDef cname = FieldDef::of(QStringLiteral("cname"), FieldKind::Lookup, 20, QStringLiteral("Должник"));
        cname.keyField = QStringLiteral("contact");
        cname.lookupDataset = &contacts;
        cname.lookupKeyField = QStringLiteral("id");
        cname.lookupResultField = QStringLiteral("name");
        items.setFieldDefs({FieldDef::of(QStringLiteral("id"), FieldKind::AutoIncrement),
                            FieldDef::of(QStringLiteral("title"), FieldKind::Text, 50),
                            FieldDef::of(QStringLiteral("contact"), FieldKind::Integer), cname});
        items.addSql(QStringLiteral("SELECT * FROM T"));
        items.open();
        contacts.open();
        const int f = items.fieldIndex("cname");
        QCOMPARE(items.textValue(0, f), QStringLiteral("Константин Константи")); // 20 characters
        QCOMPARE(items.textValue(1, f), QString());
        QCOMPARE(items.textValue(2, f), QString());
        contacts.edit();
        contacts.fieldByName("name").setAsString(QStringLiteral("Иван"));
        contacts.post();
        QCOMPARE(items.textValue(0, f), QStringLiteral("Иван"));
    }

    void connectionErrors() {
        TestFolder here;
        QFile junk(here.path("junk.mdb"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'z'));
        junk.close();
        Connection c;
        c.setConnectionString(QStringLiteral("Data Source=missing.mdb;"));
        QCOMPARE(errorOf([&] { c.open(); }), QStringLiteral("Файл базы данных 'missing.mdb' не найден"));
        QVERIFY(!QFile::exists(here.path("missing.mdb"))); // never created by opening
        c.setConnectionString(QStringLiteral("Data Source=junk.mdb;"));
        QCOMPARE(errorOf([&] { c.open(); }), QStringLiteral("Файл 'junk.mdb' не является базой данных"));
    }

    void lockedFileIsReported() {
        conn->close();
        sqlite3* holder = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(dbPath()).constData(), &holder), SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        Connection c;
        c.setBusyTimeout(50);
        c.setConnectionString(QStringLiteral("Data Source=") + dbPath());
        QCOMPARE(errorOf([&] { c.open(); }),
                 QStringLiteral("База данных '%1' заблокирована другой программой").arg(dbPath()));
        sqlite3_close(holder);
        c.open();
        QVERIFY(c.connected());
    }

    void createRefusesExistingFile() {
        const QString before = QStringLiteral("precious");
        QFile f(folder->path("keep.mdb"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(before.toUtf8());
        f.close();
        QCOMPARE(errorOf([&] { createDatabase(folder->path("keep.mdb")); }),
                 QStringLiteral("Файл '%1' уже существует").arg(folder->path("keep.mdb")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before.toUtf8());
        // A new file is a database at once, with its header written.
        createDatabase(QStringLiteral("bare.mdb"));
        QVERIFY(QFileInfo(folder->path("bare.mdb")).size() > 0);
    }

    void compactionWritesACheckedCopy() {
        makeItems(QStringLiteral("T"));
        for (int i = 0; i < 200; ++i)
            exec(QStringLiteral("INSERT INTO T (title) SELECT 'item %1'").arg(i));
        exec(QStringLiteral("DELETE FROM T WHERE id>10"));
        conn->close();
        QCOMPARE(errorOf([&] { compactDatabase(dbPath(), dbPath()); }),
                 QStringLiteral("Файл '%1' уже существует").arg(dbPath()));
        compactDatabase(QStringLiteral("test.mdb"), QStringLiteral("copy.mdb"));
        Connection c;
        c.setConnectionString(QStringLiteral("Data Source=copy.mdb"));
        c.open();
        Query q(&c, QStringLiteral("q"));
        q.addSql(QStringLiteral("SELECT * FROM T"));
        q.open();
        QCOMPARE(q.recordCount(), 10);
    }
};

QTEST_MAIN(TestEngine)
#include "tst_engine.moc"
