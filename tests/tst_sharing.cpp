// A catalogue others use too: what another program commits shows in the
// open windows, the current row kept; on a network folder the exit backs
// up but does not compact, and the compaction by hand says what it does.
#include "AppHarness.h"

#include "backups/Backups.h"
#include "platform/Files.h"

#include <QScrollBar>
#include <QtTest>

class TestSharing : public QObject {
    Q_OBJECT

    // Another program's change, committed through a connection of its own.
    static void elsewhere(const QString& file, const QString& statement) {
        engine::Connection other;
        other.setConnectionString("Data Source=" + file);
        other.open();
        other.execute(statement);
    }

private slots:
    void changesElsewhereAppear_data() {
        QTest::addColumn<bool>("inContactsWindow");
        QTest::newRow("main grid") << false;
        QTest::newRow("contacts window") << true;
    }
    void changesElsewhereAppear() {
        QFETCH(bool, inContactsWindow);
        AppHarness app;
        ScriptedMessageBoxes boxes;
        QStringList items;
        for (int i = 1; i <= 60; ++i)
            items << QStringLiteral("'книга %1', NULL, NULL").arg(i, 2, 10, QLatin1Char('0'));
        QStringList contacts;
        for (int i = 1; i <= 60; ++i)
            contacts << QStringLiteral("%1, 'контакт %2'").arg(i).arg(i, 2, 10, QLatin1Char('0'));
        app.makeCatalogue("a.mdb", {{"Books", items}}, contacts);
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        const QString file = app.folder.path("a.mdb");
        const auto follow = [&](engine::Query* query, DataGrid* grid, const QString& table, const QString& column) {
            query->setCurrentRow(40);
            const qint64 id = query->integerValue(40, query->fieldIndex("id"));
            grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum() / 2);
            const int scrolled = grid->verticalScrollBar()->value();
            elsewhere(file, QStringLiteral("UPDATE %1 SET %2 = %2 || ' (изменено)' WHERE id = %3")
                                .arg(table, column)
                                .arg(id));
            elsewhere(file, QStringLiteral("DELETE FROM %1 WHERE id = 1").arg(table));
            QTRY_COMPARE_WITH_TIMEOUT(query->recordCount(), 59, 2000);
            QCOMPARE(query->integerValue(query->currentRow(), query->fieldIndex("id")), id);
            QVERIFY(query->textValue(query->currentRow(), query->fieldIndex(column)).endsWith(" (изменено)"));
            QCOMPARE(grid->verticalScrollBar()->value(), scrolled);
        };
        if (inContactsWindow) {
            whenModalShown([&](QWidget* window) {
                follow(DM->aqContacts, childOf<DataGrid>(window, "DBGrid"), "_contacts", "name");
                window->close();
            });
            app.find<QAction>("tbContacts")->trigger();
        } else {
            follow(DM->aqMain, app.ui()->DBGrid, "Books", "title");
        }
        app.quit(boxes);
    }

    // Nothing changes beneath an open editor; the change shows once it closes.
    void anOpenEditorIsLeftAlone() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        app.makeCatalogue("a.mdb", {{"Books", {"'один', NULL, NULL", "'два', NULL, NULL"}}});
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        whenModalShown([&](QWidget* editor) {
            elsewhere(app.folder.path("a.mdb"), "INSERT INTO Books (title) SELECT 'три'");
            QTest::qWait(1200);
            QCOMPARE(DM->aqMain->recordCount(), 2);
            editor->close();
        });
        app.ui()->tbEditRecord->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(DM->aqMain->recordCount(), 3, 2000);
        app.quit(boxes);
    }

    // On a network folder: the exit backs the catalogue up but leaves the
    // file as it is; «Сжать базу данных» says it rewrites it over the network.
    void networkFolders_data() {
        QTest::addColumn<bool>("network");
        QTest::newRow("network folder") << true;
        QTest::newRow("local folder") << false;
    }
    void networkFolders() {
        QFETCH(bool, network);
        platform::pretendNetworkFileSystem(network);
        AppHarness app;
        ScriptedMessageBoxes boxes;
        QStringList rows;
        for (int i = 0; i < 2000; ++i)
            rows << QStringLiteral("'item number %1 with a long title', NULL, NULL").arg(i);
        app.makeCatalogue("a.mdb", {{"Books", rows}});
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        const QString file = app.folder.path("a.mdb");
        DM->ADOConnection->execute("DELETE FROM Books WHERE id > 1000");
        qint64 size = QFileInfo(file).size();
        boxes.answer(platform::Answer::No);
        app.find<QAction>("iCompact")->trigger();
        QCOMPARE(boxes.last().text.contains("по сети"), network);
        QCOMPARE(QFileInfo(file).size(), size);
        DM->ADOConnection->execute("DELETE FROM Books WHERE id > 500");
        app.quit(boxes);
        QCOMPARE(QFileInfo(file).size() < size, !network);
        QCOMPARE(backups::copiesOf(file).size(), 1);
        // By hand it is compacted all the same.
        app.start();
        size = QFileInfo(file).size();
        boxes.answer(platform::Answer::Yes);
        app.find<QAction>("iCompact")->trigger();
        QCOMPARE(QFileInfo(file).size() < size, network);
        QCOMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel - a.mdb(Books)"));
        QCOMPARE(DM->aqMain->recordCount(), 500);
        app.quit(boxes);
        platform::pretendNetworkFileSystem(std::nullopt);
    }
};

QTEST_MAIN(TestSharing)
#include "tst_sharing.moc"
