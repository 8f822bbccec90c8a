// Codes on items and contacts: one form for each way of typing them, one
// holder each, and kept true by the data module as items, contacts and
// tables change.
#include "data/BaseFiles.h"
#include "data/CatalogueShape.h"
#include "data/Codes.h"
#include "data/DBMUnit.h"
#include "data/Layouts.h"
#include "data/ProgramState.h"
#include "engine/EngineError.h"
#include "tests/support/TestSupport.h"

#include <QtTest>

class TestCodes : public QObject {
    Q_OBJECT

    std::unique_ptr<TestFolder> folder;
    std::unique_ptr<TDM> dm;

    engine::Connection& connection() { return *DM->ADOConnection; }
    void run(const QString& statement, const QString& more = {}) {
        DM->aqMain->clearSql();
        DM->aqMain->addSql(statement);
        if (!more.isEmpty())
            DM->aqMain->addSql(more);
        DM->aqMain->execSQL();
    }
    // Books with items 1 and 2, Disks with item 1, the contact 1; codes
    // B1, B2, D1 and C1 on them.
    void catalogueWithCodes() {
        QVERIFY(CreateBase("cat.mdb"));
        DM->ConnectTo("cat.mdb", engine::OpenMode::Write);
        run(QStringLiteral("Create Table _contacts"), layouts::kContactColumns);
        for (const QString& table : {QStringLiteral("Books"), QStringLiteral("Disks")}) {
            run(QStringLiteral("Create Table ") + table, layouts::kItemColumns);
            run(QStringLiteral("INSERT INTO %1 (id, title) VALUES (1, 'один'), (2, 'два')").arg(table));
        }
        run(QStringLiteral("INSERT INTO _contacts (id, name) VALUES (1, 'Ира'), (2, 'Пётр')"));
        codes::assign(connection(), {"Books", 1}, "B1");
        codes::assign(connection(), {"Books", 2}, "B2");
        codes::assign(connection(), {"Disks", 1}, "D1");
        codes::assign(connection(), {shape::kContactsTable, 1}, "C1");
    }
    QStringList codesKept() {
        engine::Query q(&connection(), "codes");
        q.addSql("SELECT code || '|' || tbl || '|' || item FROM _codes ORDER BY code");
        q.open();
        QStringList rows;
        for (int r = 0; r < q.recordCount(); ++r)
            rows << q.textValue(r, 0);
        return rows;
    }
    // The first row of query whose id is id made current.
    static void goTo(engine::Query* query, qint64 id) {
        for (int r = 0; r < query->recordCount(); ++r)
            if (query->integerValue(r, query->fieldIndex("id")) == id)
                return query->setCurrentRow(r);
        QFAIL("no such row");
    }

private slots:
    void init() {
        ResetProgramState();
        folder = std::make_unique<TestFolder>();
        dm = std::make_unique<TDM>();
    }
    void cleanup() {
        dm.reset();
        folder.reset();
    }

    // Blanks and letter case aside; an ISBN-10 as its ISBN-13; wrong check
    // digits refused; own numbers taken as they are.
    void codesAreKeptInOneForm_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept"); // empty: refused
        QTest::addColumn<QString>("why");  // part of the refusal
        QTest::newRow("an own number") << "00000001"
                                       << "00000001"
                                       << "";
        QTest::newRow("blanks and case") << "  инв-12a\t"
                                         << "ИНВ-12A"
                                         << "";
        QTest::newRow("ISBN-10") << "0306406152"
                                 << "9780306406157"
                                 << "";
        QTest::newRow("ISBN-10 ending in x") << "080442957x"
                                             << "9780804429573"
                                             << "";
        QTest::newRow("ISBN-10, a wrong check digit") << "0306406153"
                                                      << ""
                                                      << "контрольная цифра";
        QTest::newRow("ISBN-13") << "9780306406157"
                                 << "9780306406157"
                                 << "";
        QTest::newRow("EAN-13, a wrong check digit") << "9780306406158"
                                                     << ""
                                                     << "EAN-13";
        QTest::newRow("twelve digits: an own number") << "978030640615"
                                                      << "978030640615"
                                                      << "";
        QTest::newRow("nothing") << "   "
                                 << ""
                                 << "не указан";
    }
    void codesAreKeptInOneForm() {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(QString, why);
        QString refusal;
        QCOMPARE(codes::normalized(typed, &refusal), kept);
        QVERIFY2(why.isEmpty() ? refusal.isEmpty() : refusal.contains(why), qPrintable(refusal));
    }

    // One code, one holder, whichever way it is typed; the holder's code
    // replaced or taken away; the table never listed.
    void aCodeHasOneHolder() {
        catalogueWithCodes();
        codes::assign(connection(), {"Books", 1}, "0306406152");
        QCOMPARE(codes::holderOf(connection(), " 9780306406157 "), (codes::Holder{"Books", 1}));
        QCOMPARE(codes::holderOf(connection(), "B1"), std::nullopt); // replaced
        for (const codes::Holder& other : {codes::Holder{"Books", 2}, codes::Holder{shape::kContactsTable, 2}}) {
            try {
                codes::assign(connection(), other, "9780306406157");
                QFAIL("a code given twice");
            } catch (const engine::EngineError& e) {
                QCOMPARE(e.message(), QStringLiteral("Код «9780306406157» уже присвоен другой записи."));
            }
        }
        codes::assign(connection(), {"Books", 1}, "0306406152"); // its own again: nothing changes
        codes::assign(connection(), {"Disks", 1}, " ");
        QCOMPARE(codes::codeOf(connection(), {"Disks", 1}), QString());
        QCOMPARE(codes::codeOf(connection(), {shape::kContactsTable, 1}), QStringLiteral("C1"));
        QCOMPARE(codesKept(), (QStringList{"9780306406157|Books|1", "B2|Books|2", "C1|_contacts|1"}));
        QVERIFY(!connection().tableNames().contains(shape::kCodesTable, Qt::CaseInsensitive));
        QVERIFY(shape::isProgramTable("_CODES"));
    }

    // Within each change's own transaction: a deleted item or contact loses
    // its code, a renamed table's codes follow it, a removed table's go; a
    // change given up leaves every code.
    void codesFollowTheirHolders_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("an item deleted") << "item" << QStringList{"B1|Books|1", "C1|_contacts|1", "D1|Disks|1"};
        QTest::newRow("a contact deleted") << "contact" << QStringList{"B1|Books|1", "B2|Books|2", "D1|Disks|1"};
        QTest::newRow("a table renamed") << "rename"
                                         << QStringList{"B1|Книги|1", "B2|Книги|2", "C1|_contacts|1", "D1|Disks|1"};
        QTest::newRow("a table removed") << "remove" << QStringList{"C1|_contacts|1", "D1|Disks|1"};
        QTest::newRow("a removal given up")
            << "given up" << QStringList{"B1|Books|1", "B2|Books|2", "C1|_contacts|1", "D1|Disks|1"};
    }
    void codesFollowTheirHolders() {
        QFETCH(QString, change);
        QFETCH(QStringList, kept);
        catalogueWithCodes();
        if (change == "item" || change == "contact") {
            engine::Query* rows = change == "item" ? DM->aqMain : DM->aqContacts;
            if (change == "item") {
                DM->aqMain->clearSql();
                DM->aqMain->addSql("SELECT * FROM Books");
            }
            rows->open();
            goTo(rows, change == "item" ? 2 : 1);
            rows->deleteRecord();
        } else if (change == "rename") {
            connection().inOneTransaction([&] {
                run("ALTER TABLE Books RENAME TO Книги");
                DM->TableRenamed("Books", "Книги");
            });
        } else {
            try {
                connection().inOneTransaction([&] {
                    DM->TableRemoving("Books");
                    run("DROP TABLE Books");
                    if (change == "given up")
                        throw engine::EngineError("прервано");
                });
            } catch (const engine::EngineError&) {
            }
        }
        QCOMPARE(codesKept(), kept);
    }

    // Own numbers for items without a code: eight digits, one taken by hand
    // passed over, and never one given before, even once it is free again.
    void numbersAreNeverGivenTwice() {
        catalogueWithCodes();
        codes::assign(connection(), {"Disks", 2}, "00000002");
        QCOMPARE(codes::giveNumbers(connection(), "Books", {1, 2}), 0); // both have one
        codes::assign(connection(), {"Books", 1}, "");
        codes::assign(connection(), {"Disks", 1}, "");
        QCOMPARE(codes::giveNumbers(connection(), "Books", {1, 2}), 1);
        QCOMPARE(codes::giveNumbers(connection(), "Disks", {1}), 1);
        QCOMPARE(codes::codeOf(connection(), {"Books", 1}), QStringLiteral("00000001"));
        QCOMPARE(codes::codeOf(connection(), {"Disks", 1}), QStringLiteral("00000003"));
        codes::assign(connection(), {"Books", 1}, "");
        QCOMPARE(codes::giveNumbers(connection(), "Books", {1}), 1);
        QCOMPARE(codes::codeOf(connection(), {"Books", 1}), QStringLiteral("00000004"));
    }

    // An older catalogue has no codes and gets none by being asked.
    void anOlderCatalogueGetsNoTable() {
        QVERIFY(CreateBase("old.mdb"));
        DM->ConnectTo("old.mdb", engine::OpenMode::Write);
        run(QStringLiteral("Create Table _contacts"), layouts::kContactColumns);
        QCOMPARE(codes::holderOf(connection(), "B1"), std::nullopt);
        QCOMPARE(codes::codeOf(connection(), {"Books", 1}), QString());
        codes::tableRemoved(connection(), "Books");
        QVERIFY(!codes::kept(connection()));
        // Numbers are what first makes the table.
        QCOMPARE(codes::giveNumbers(connection(), "Books", {1, 2}), 2);
        QCOMPARE(codes::codeOf(connection(), {"Books", 2}), QStringLiteral("00000002"));
    }

    // Codes printed on labels are remembered, also in a table of codes made
    // before labels were printed; a code changed is new again.
    void printedCodesAreRemembered() {
        QVERIFY(CreateBase("first.mdb"));
        DM->ConnectTo("first.mdb", engine::OpenMode::Write);
        connection().execute("CREATE TABLE _codes (code TEXT PRIMARY KEY, tbl TEXT NOT NULL, item INTEGER NOT NULL, "
                             "UNIQUE (tbl, item))");
        connection().execute("INSERT INTO _codes VALUES ('A1', 'Books', 1), ('A2', 'Books', 2), ('D1', 'Disks', 1)");
        const auto printed = [&] {
            QStringList found;
            const QHash<qint64, codes::Kept> kept = codes::codesOf(connection(), "Books");
            for (auto i = kept.begin(); i != kept.end(); ++i)
                found << QStringLiteral("%1:%2:%3").arg(i.key()).arg(i->code).arg(i->printed);
            found.sort();
            return found;
        };
        QCOMPARE(printed(), (QStringList{"1:A1:0", "2:A2:0"}));
        codes::markPrinted(connection(), {"A2", "D1"});
        QCOMPARE(printed(), (QStringList{"1:A1:0", "2:A2:1"}));
        codes::assign(connection(), {"Books", 2}, "a3");
        QCOMPARE(printed(), (QStringList{"1:A1:0", "2:A3:0"}));
    }
};

QTEST_MAIN(TestCodes)
#include "tst_codes.moc"
