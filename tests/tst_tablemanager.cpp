// The table manager: listing, the name checks, create, rename, remove, keys.
#include "AppHarness.h"

#include "data/BaseFiles.h"
#include "dialogs/TSelectUnit.h"
#include "engine/Query.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

class TestTableManager : public QObject {
    Q_OBJECT

    std::unique_ptr<AppHarness> app;

    QListWidget* list() { return fmTSForm->findChild<QListWidget*>("lbTableSelect"); }
    QLineEdit* nameBox() { return fmTSForm->findChild<QLineEdit*>("eNTName"); }
    QWidget* namePanel() { return fmTSForm->findChild<QWidget*>("PreBottomPanel"); }
    QToolButton* button(const char* name) { return fmTSForm->findChild<QToolButton*>(name); }
    QPushButton* push(const char* name) { return fmTSForm->findChild<QPushButton*>(name); }
    QStringList listed() {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names << list()->item(i)->text();
        return names;
    }
    void showManager() {
        fmTSForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(fmTSForm));
    }
    void typeName(const QString& name) {
        nameBox()->setText(name);
        QTest::keyClick(nameBox(), Qt::Key_Return);
    }

private slots:
    void init() {
        app = std::make_unique<AppHarness>();
        app->makeCatalogue("home.mdb", {{"Books", {"'War and Peace', 1, 45366"}}, {"Disks", {}}}, {"1, 'Ann'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\nDefaultTable=Disks\n");
        app->start();
        showManager();
    }
    void cleanup() {
        fmTSForm->hide();
        app.reset();
    }

    void listsItemTablesWithFirstSelected() {
        QCOMPARE(listed(), (QStringList{"Books", "Disks"}));
        QCOMPARE(list()->currentRow(), 0);
        QVERIFY(namePanel()->isHidden());
        QCOMPARE(fmTSForm->windowTitle(), QStringLiteral("Таблицы..."));
    }

    void nameChecks_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // empty: accepted
        const QString charset =
            QStringLiteral("Имя таблицы '%1'\n содержит недопустимые символы! Допустимыми являются:\nA-z, А-я, 0-9, _");
        QTest::newRow("cyrillic") << "Книги"
                                  << "";
        QTest::newRow("starts with a digit") << "2024_год"
                                             << "";
        QTest::newRow("Ё") << "Ёлки" << charset.arg("Ёлки");
        QTest::newRow("ё") << "ёж" << charset.arg("ёж");
        QTest::newRow("space") << "my table" << charset.arg("my table");
        QTest::newRow("hyphen") << "a-b" << charset.arg("a-b");
        for (const char* c : {"[", "\\", "]", "^", "`"})
            QTest::newRow(c) << QStringLiteral("a%1b").arg(c) << charset.arg(QStringLiteral("a%1b").arg(c));
        QTest::newRow("_contacts") << "_contacts"
                                   << "Имя таблицы не должно начинаться с символа '_'!";
        QTest::newRow("leading _") << "_x"
                                   << "Имя таблицы не должно начинаться с символа '_'!";
        QTest::newRow("other case") << "BOOKS"
                                    << "Таблица 'BOOKS' уже существует!";
    }
    void nameChecks() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        ScriptedMessageBoxes boxes;
        if (!message.isEmpty())
            boxes.answer(platform::Answer::Ok);
        QTest::keyClick(list(), Qt::Key_Insert);
        QVERIFY(button("tbAddTable")->isChecked());
        QVERIFY(!namePanel()->isHidden());
        QCOMPARE(QApplication::focusWidget(), nameBox());
        typeName(name);
        if (message.isEmpty()) {
            QCOMPARE(boxes.count(), 0);
            QVERIFY(ListHolds(listed(), name));
            QCOMPARE(DBTable, listed().first()); // the first entry, not necessarily the new table
            QVERIFY(nameBox()->text().isEmpty());
            QVERIFY(namePanel()->isHidden());
            QVERIFY(button("tbAddTable")->isChecked());
        } else {
            QCOMPARE(boxes.last().text, message);
            QCOMPARE(boxes.last().caption, QStringLiteral("Невозможно создать таблицу!"));
            QCOMPARE(boxes.last().icon, platform::Icon::Information);
            QCOMPARE(listed(), (QStringList{"Books", "Disks"}));
            QCOMPARE(nameBox()->text(), name);
            QVERIFY(!namePanel()->isHidden());
        }
    }

    void emptyNameDoesNothing() {
        ScriptedMessageBoxes boxes;
        QTest::keyClick(list(), Qt::Key_Insert);
        typeName(QString());
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(listed().size(), 2);
    }

    void renameKeepsEveryRow() {
        // Id 2 was given once and its row deleted: it must not come back.
        DM->ADOConnection->execute(QStringLiteral("INSERT INTO Books (title) SELECT 'gone'"));
        DM->ADOConnection->execute(QStringLiteral("DELETE FROM Books WHERE id=2"));
        ScriptedMessageBoxes boxes;
        QTest::keyClick(list(), Qt::Key_Space);
        QVERIFY(button("tbRenTable")->isChecked());
        typeName(QStringLiteral("Библиотека"));
        QCOMPARE(listed(), (QStringList{"Disks", "Библиотека"}));
        DM->aqMain->clearSql();
        DM->aqMain->addSql(QStringLiteral("SELECT * FROM Библиотека"));
        DM->aqMain->open();
        QCOMPARE(DM->aqMain->recordCount(), 1);
        QCOMPARE(DM->aqMain->fieldByName("id").asInteger(), 1);
        QCOMPARE(DM->aqMain->fieldByName("contact").asInteger(), 1);
        QCOMPARE(DM->aqMain->fieldByName("cname").asString(), QStringLiteral("Ann"));
        DM->aqMain->insert();
        DM->aqMain->fieldByName("title").setAsString(QStringLiteral("third"));
        DM->aqMain->post();
        QCOMPARE(DM->aqMain->fieldByName("id").asInteger(), 3); // the counter came along
        // Rename mode stays on: the panel comes back at the next showing.
        fmTSForm->hide();
        showManager();
        QVERIFY(!namePanel()->isHidden());
    }

    void failedRenameLeavesNoHalfMadeTable() {
        // A table made by another program, holding a title longer than the new layout takes.
        DM->ADOConnection->execute(
            QStringLiteral("CREATE TABLE Loose (id INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, "
                           "type TEXT, issue REAL, return REAL, contact INT, description TEXT)"));
        DM->ADOConnection->execute(QStringLiteral("INSERT INTO Loose (title) SELECT '") + QString(60, u'x') + u'\'');
        fmTSForm->hide();
        showManager();
        list()->setCurrentRow(2);
        QCOMPARE(list()->currentItem()->text(), QStringLiteral("Loose"));
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        QTest::keyClick(list(), Qt::Key_Space);
        typeName(QStringLiteral("Tight"));
        QCOMPARE(boxes.last().text, QStringLiteral("Значение поля 'title' длиннее 50 символов."));
        QCOMPARE(DM->ADOConnection->tableNames(), (QStringList{"_contacts", "Books", "Disks", "Loose"}));
        QVERIFY(!namePanel()->isHidden()); // the rest of the handler is skipped
    }

    void renameToItsOwnName() {
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        QTest::keyClick(list(), Qt::Key_Space);
        typeName(QStringLiteral("Books"));
        QCOMPARE(boxes.last().text, QStringLiteral("Таблица 'Books' уже существует!"));
    }

    void escInTheNameBoxReleasesBothModes() {
        QTest::keyClick(list(), Qt::Key_Space);
        QTest::keyClick(nameBox(), Qt::Key_Escape);
        QVERIFY(!button("tbRenTable")->isChecked());
        QVERIFY(!button("tbAddTable")->isChecked());
        QVERIFY(namePanel()->isHidden());
        QVERIFY(fmTSForm->isVisible());
        QCOMPARE(QApplication::focusWidget(), list());
    }

    void removeKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("removes");
        QTest::newRow("Del") << int(Qt::Key_Delete) << int(Qt::NoModifier) << true;
        QTest::newRow("Ctrl+D") << int(Qt::Key_D) << int(Qt::ControlModifier) << true;
        QTest::newRow("Shift+Del") << int(Qt::Key_Delete) << int(Qt::ShiftModifier) << false;
        QTest::newRow("Ctrl+Del") << int(Qt::Key_Delete) << int(Qt::ControlModifier) << false;
        QTest::newRow("Ctrl+Shift+D") << int(Qt::Key_D) << int(Qt::ControlModifier | Qt::ShiftModifier) << false;
    }
    void removeKeys() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, removes);
        ScriptedMessageBoxes boxes;
        if (removes)
            boxes.answer(platform::Answer::Yes);
        QTest::keyClick(list(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(listed(), removes ? QStringList{QStringLiteral("Disks")} : (QStringList{"Books", "Disks"}));
        if (removes) {
            QCOMPARE(boxes.last().text, QStringLiteral("Вы действительно хотите удалить таблицу 'Books'"));
            QCOMPARE(boxes.last().caption, QStringLiteral("Удаление таблицы..."));
            QCOMPARE(boxes.last().icon, platform::Icon::Warning);
        }
    }

    void removingTheLastTableLeavesOnlyCreate() {
        ScriptedMessageBoxes boxes;
        boxes.answerAlways(platform::Answer::Yes);
        QTest::keyClick(list(), Qt::Key_Delete);
        QTest::keyClick(list(), Qt::Key_Delete);
        QVERIFY(listed().isEmpty());
        for (const char* name : {"bbOpen", "bbCancel"})
            QVERIFY(!push(name)->isEnabled());
        QVERIFY(!button("tbRemoveTable")->isEnabled());
        QVERIFY(!button("tbRenTable")->isEnabled());
        QTest::keyClick(list(), Qt::Key_Escape);
        QTest::keyClick(list(), Qt::Key_Space);
        QVERIFY(fmTSForm->isVisible());
        QVERIFY(!button("tbRenTable")->isChecked());
        fmTSForm->close(); // no way out but a new table
        QVERIFY(fmTSForm->isVisible());
        QTest::keyClick(list(), Qt::Key_Insert);
        typeName(QStringLiteral("Новая"));
        QVERIFY(push("bbOpen")->isEnabled());
        QVERIFY(push("bbCancel")->isEnabled());
        QCOMPARE(DBTable, QStringLiteral("Новая"));
    }

    void openAndCancel() {
        list()->setCurrentRow(1);
        QTest::keyClick(list(), Qt::Key_Return);
        QCOMPARE(fmTSForm->result(), int(TfmTSForm::mrOk));
        QCOMPARE(DBTable, QStringLiteral("Disks"));
        QVERIFY(!fmTSForm->isVisible());
        showManager();
        QTest::keyClick(list(), Qt::Key_Escape);
        QCOMPARE(fmTSForm->result(), int(TfmTSForm::mrCancel));
        QCOMPARE(DBTable, QStringLiteral("Disks")); // still listed: kept
    }

    void cancelAfterRemovingTheCurrentTable() {
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Yes);
        list()->setCurrentRow(1);
        QTest::keyClick(list(), Qt::Key_Delete); // Disks, the current table
        QTest::mouseClick(push("bbCancel"), Qt::LeftButton);
        QCOMPARE(DBTable, QStringLiteral("Books"));
    }
};

QTEST_MAIN(TestTableManager)
#include "tst_tablemanager.moc"
