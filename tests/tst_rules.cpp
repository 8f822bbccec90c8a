// Loan rules: which rule wins, kept in the catalogue and following its
// tables, set in their window with the keyboard, and the due dates they
// give in the item editor and at the desk.
#include "AppHarness.h"

#include "controls/DatePicker.h"
#include "data/BaseFiles.h"
#include "data/Codes.h"
#include "data/LoanRules.h"
#include "engine/EngineError.h"
#include "platform/Today.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using loanrules::Breach;
using loanrules::Group;
using loanrules::Rule;
using loanrules::Scope;

namespace {

const double kToday = day(2026, 12, 10);

// A catalogue of Книги and Игры; Ира in the general group, Пётр trusted;
// rules kept, and whatever more asks of the file.
QString catalogue(AppHarness& app, const QList<Rule>& rules = {},
                  const std::function<void(engine::Connection&)>& more = {}) {
    app.makeCatalogue("a.mdb", {{"Книги", {"'Идиот', NULL, NULL"}}, {"Игры", {"'Го', NULL, NULL"}}},
                      {"1, 'Ира'", "2, 'Петров Пётр'"});
    const QString file = app.folder.path("a.mdb");
    engine::Connection c;
    c.setConnectionString(QStringLiteral("Data Source=") + file);
    c.open();
    c.execute("UPDATE _contacts SET reliability = 0 WHERE id = 2");
    codes::assign(c, {"Книги", 1}, "B1");
    codes::assign(c, {"_contacts", 2}, "P2");
    loanrules::write(c, rules);
    if (more)
        more(c);
    app.writeSettings("[Options]\nDefaultBase=a.mdb\nDefaultTable=Книги\n");
    return file;
}

// Each item of Книги: title|debtor|due, in days from today.
QStringList rowsOf(const QString& file) {
    return rowsOf(file, QStringLiteral("SELECT title || '|' || coalesce(contact, '') || '|' || "
                                       "coalesce(CAST(return - %1 AS INTEGER), '') FROM Книги")
                            .arg(kToday));
}

QList<Rule> rulesIn(const QString& file) {
    engine::Connection c;
    c.setConnectionString(QStringLiteral("Data Source=") + file);
    c.open();
    return loanrules::read(c);
}

} // namespace

Q_DECLARE_METATYPE(QList<Rule>)

class TestRules : public QObject {
    Q_OBJECT

private slots:
    // Each value from the most specific rule that has it: table and group,
    // table, group, every table; the limit's scope with the limit.
    void theMostSpecificRuleWins_data() {
        QTest::addColumn<QList<Rule>>("rules");
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("group");
        QTest::addColumn<QString>("meaning");
        const Rule everywhere{"", Group::Every, 14, 5, Scope::AllTables, 1, Breach::Warn};
        const Rule books{"Книги", Group::Every, 30, std::nullopt, Scope::AllTables, std::nullopt, std::nullopt};
        const Rule trusted{"", Group::Trusted, std::nullopt, 10, Scope::AllTables, 2, std::nullopt};
        const Rule trustedBooks{"Книги", Group::Trusted, 60, 3, Scope::ThisTable, std::nullopt, Breach::Refuse};
        QTest::newRow("no rules") << QList<Rule>{} << "Книги" << int(Group::General) << "Книги, Общая: правил нет";
        QTest::newRow("every table") << QList<Rule>{everywhere} << "Игры" << int(Group::BlackList)
                                     << "Игры, Черный список: 14 дней, до 5 вещей, продлевать до 1 раза, при "
                                        "нарушении предупредить";
        QTest::newRow("the table over every table")
            << QList<Rule>{everywhere, books} << "Книги" << int(Group::General)
            << "Книги, Общая: 30 дней, до 5 вещей, продлевать до 1 раза, при нарушении предупредить";
        QTest::newRow("the table over the group") << QList<Rule>{books, trusted} << "Книги" << int(Group::Trusted)
                                                  << "Книги, Доверенные: 30 дней, до 10 вещей, продлевать до 2 раз";
        QTest::newRow("table and group over all")
            << QList<Rule>{everywhere, books, trusted, trustedBooks} << "Книги" << int(Group::Trusted)
            << "Книги, Доверенные: 60 дней, до 3 вещей из этой таблицы, продлевать до 2 раз, при нарушении не "
               "выдавать";
        QTest::newRow("another table's rule does not apply")
            << QList<Rule>{books, trustedBooks} << "Игры" << int(Group::Trusted) << "Игры, Доверенные: правил нет";
        QTest::newRow("no prolongation at all")
            << QList<Rule>{{"", Group::BlackList, 0, 0, Scope::AllTables, 0, Breach::Refuse}} << "Игры"
            << int(Group::BlackList)
            << "Игры, Черный список: 0 дней, до 0 вещей, не продлевать, при нарушении не выдавать";
    }
    void theMostSpecificRuleWins() {
        QFETCH(QList<Rule>, rules);
        QFETCH(QString, table);
        QFETCH(int, group);
        QFETCH(QString, meaning);
        QCOMPARE(loanrules::describe(table, Group(group), loanrules::resolve(rules, table, Group(group))), meaning);
    }

    // Kept in the catalogue and read back; a renamed table's rules follow
    // it, a removed table's go, in the change's own transaction; an older
    // catalogue gets no table from rules that say nothing.
    void rulesFollowTheirTables() {
        ResetProgramState();
        TestFolder folder;
        TDM dm;
        QVERIFY(CreateBase(folder.path("r.mdb")));
        DM->ConnectTo(folder.path("r.mdb"), engine::OpenMode::Write);
        engine::Connection& c = *DM->ADOConnection;
        loanrules::write(c, {Rule{"Книги", Group::Every}});
        QVERIFY(!loanrules::kept(c));
        const QList<Rule> rules{{"Книги", Group::Trusted, 30, 10, Scope::ThisTable, 2, Breach::Refuse},
                                {"Игры", Group::Every, 7, std::nullopt, Scope::AllTables, std::nullopt, Breach::Warn},
                                {"", Group::BlackList, 0},
                                {"Книги", Group::General, std::nullopt, 1}};
        loanrules::write(c, rules);
        QCOMPARE(loanrules::read(c), rules);
        c.inOneTransaction([&] { DM->TableRenamed("Книги", "Книжки"); });
        c.inOneTransaction([&] { DM->TableRemoving("Игры"); });
        Rule renamed = rules[0], renamedToo = rules[3];
        renamed.table = renamedToo.table = "Книжки";
        QCOMPARE(loanrules::read(c), (QList<Rule>{renamed, rules[2], renamedToo}));
        try {
            c.inOneTransaction([&] {
                DM->TableRemoving("Книжки");
                throw engine::EngineError("прервано");
            });
        } catch (const engine::EngineError&) {
        }
        QCOMPARE(loanrules::read(c).size(), 3);
    }

    // The window: every table and «Все таблицы» by every group, values typed
    // into cells and choices picked by keys, the meaning of the current row
    // taken together; saved by a click, given up by Escape with the rules as
    // they were.
    void theRulesWindow() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        const QString file = catalogue(app);
        app.start();
        // Typed into a cell as a user types: the first key opens its editor.
        const auto typeInto = [](QTableWidget* table, int row, int column, const QString& text) {
            table->setFocus();
            table->setCurrentCell(row, column);
            for (QChar c : text)
                QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_COMPARE(QApplication::focusWidget(), table); // the editor closed, its value taken
        };
        whenModalShown([&](QWidget* window) {
            auto* table = childOf<QTableWidget>(window, "twRules");
            QCOMPARE(table->rowCount(), 12); // every table, Игры, Книги; four groups each
            QCOMPARE(table->item(10, 0)->text() + "|" + table->item(10, 1)->text(), "Книги|Доверенные");
            typeInto(table, 0, 2, "14"); // every table, every group: 14 days
            QCOMPARE(childOf<QLabel>(window, "lMeaning")->text(), "Все таблицы, Все группы: 14 дней");
            typeInto(table, 10, 3, "10");
            table->setCurrentCell(10, 4);
            QTest::keyClick(table, Qt::Key_F2);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // from this table
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_COMPARE(table->item(10, 4)->text(), "из этой таблицы");
            typeInto(table, 10, 5, "2");
            QCOMPARE(childOf<QLabel>(window, "lMeaning")->text(),
                     "Книги, Доверенные: 14 дней, до 10 вещей из этой таблицы, продлевать до 2 раз");
            click(childOf<QPushButton>(window, "bbSave"));
        });
        QAction* command = app.find<QAction>("iRules");
        const QList<QAction*> edit = app.main()->findChild<QMenu*>("mEdit")->actions();
        QCOMPARE(edit.indexOf(command), edit.indexOf(app.find<QAction>("iDesk")) + 1);
        command->trigger();
        QCOMPARE(rulesIn(file), (QList<Rule>{{"", Group::Every, 14},
                                             {"Книги", Group::Trusted, std::nullopt, 10, Scope::ThisTable, 2}}));
        const QList<Rule> saved = rulesIn(file);
        whenModalShown([&](QWidget* window) { // the window again: the same rows, as saved
            auto* table = childOf<QTableWidget>(window, "twRules");
            QCOMPARE(table->rowCount(), 12);
            QCOMPARE(table->item(10, 5)->text(), "2");
            QTest::keyClick(window, Qt::Key_Escape);
        });
        command->trigger();
        app.quit(boxes);
        app.start();
        whenModalShown([&](QWidget* window) {
            typeInto(childOf<QTableWidget>(window, "twRules"), 0, 2, "99");
            QTest::keyClick(window, Qt::Key_Escape);
        });
        app.find<QAction>("iRules")->trigger();
        app.quit(boxes);
        QCOMPARE(rulesIn(file), saved);
    }

    // The due date from the rules: in the item editor once a debtor is
    // picked with «Дата возврата» ticked (still to be changed by hand), at
    // the desk for a card's holder; none without a rule, as before.
    void dueDatesFromTheRules_data() {
        QTest::addColumn<QList<Rule>>("rules");
        QTest::addColumn<int>("editorDays"); // Пётр's loan of Идиот in the editor
        QTest::addColumn<int>("deskDays");
        QTest::newRow("no rules") << QList<Rule>{} << 0 << 14;
        QTest::newRow("the trusted get 30 days of books")
            << QList<Rule>{{"", Group::Every, 7}, {"Книги", Group::Trusted, 30}} << 30 << 30;
        QTest::newRow("games only") << QList<Rule>{{"Игры", Group::Every, 3}} << 0 << 14;
    }
    void dueDatesFromTheRules() {
        QFETCH(QList<Rule>, rules);
        QFETCH(int, editorDays);
        QFETCH(int, deskDays);
        AppHarness app;
        PinnedToday today(kToday);
        ScriptedMessageBoxes boxes;
        const QString file = catalogue(app, rules);
        app.start();
        whenModalShown([&](QWidget* editor) {
            const auto tick = [&](const char* box) {
                auto* check = childOf<QCheckBox>(editor, box);
                check->setFocus();
                QTest::keyClick(check, Qt::Key_Space);
            };
            tick("cbContact");
            auto* debtor = childOf<LookupComboBox>(editor, "lcbContact");
            debtor->setFocus();
            debtor->setCurrentIndex(0);            // Ира
            QTest::keyClick(debtor, Qt::Key_Down); // Пётр
            tick("cbIssue");
            tick("cbReturn");
            QCOMPARE(childOf<DatePicker>(editor, "ReturnPicker")->dayNumber(), kToday + editorDays);
            QTest::keyClick(editor, Qt::Key_Escape);
        });
        app.ui()->DBGrid->setFocus();
        QTest::keyClick(app.ui()->DBGrid, Qt::Key_Return);
        whenModalShown([&](QWidget* desk) {
            QTRY_COMPARE(QApplication::focusWidget(), childOf(desk, "leCode"));
            for (const char* code : {"P2", "B1"}) {
                QTest::keyClicks(QApplication::focusWidget(), code);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QVERIFY(!desk->isVisible());
        });
        app.find<QAction>("iDesk")->trigger();
        app.quit(boxes);
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + file);
        c.open();
        engine::Query q(&c, "due");
        q.addSql(QStringLiteral("SELECT CAST(return - %1 AS INTEGER) FROM Книги").arg(kToday));
        q.open();
        QCOMPARE(q.value(0, 0).toInt(), deskDays);
        QCOMPARE(loanrules::kept(c), !rules.isEmpty()); // an older catalogue gets no table of rules
    }

    // A lend at the desk past the most items one may hold, or to a person
    // with an overdue item: asked (and lent or not as answered) or refused
    // as the rule says; a limit of this table does not count other tables.
    void limitsAtTheDesk_data() {
        QTest::addColumn<QList<Rule>>("rules");
        QTest::addColumn<int>("held"); // games Пётр has, the first overdue when asked
        QTest::addColumn<bool>("overdue");
        QTest::addColumn<QList<platform::Answer>>("answers");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("said");
        const QString lent = "Выдано: «Идиот» — Петров Пётр, вернуть до 24.12.2026";
        const QString limit = "У Петрова П. уже 2 вещи из 2 разрешённых.";
        using A = platform::Answer;
        QTest::newRow("under the limit") << QList<Rule>{{"", Group::Every, std::nullopt, 3}} << 2 << false << QList<A>{}
                                         << "" << lent;
        QTest::newRow("the limit reached, lent all the same")
            << QList<Rule>{{"", Group::Trusted, std::nullopt, 2}} << 2 << false << QList<A>{A::Yes}
            << limit + " Всё равно выдать?" << lent;
        QTest::newRow("the limit reached, not lent")
            << QList<Rule>{{"", Group::Every, std::nullopt, 2, Scope::AllTables, std::nullopt, Breach::Warn}} << 2
            << false << QList<A>{A::No} << limit + " Всё равно выдать?"
            << "Не выдано.";
        QTest::newRow("the limit reached, refused")
            << QList<Rule>{{"Книги", Group::Every, std::nullopt, 2, Scope::AllTables, std::nullopt, Breach::Refuse}}
            << 2 << false << QList<A>{} << ""
            << "Не выдано: " + limit;
        QTest::newRow("a limit of one reached")
            << QList<Rule>{{"", Group::Every, std::nullopt, 1, Scope::AllTables, std::nullopt, Breach::Refuse}} << 1
            << false << QList<A>{} << ""
            << "Не выдано: У Петрова П. уже 1 вещь из 1 разрешённой.";
        QTest::newRow("none from this table")
            << QList<Rule>{{"Книги", Group::Every, std::nullopt, 0, Scope::ThisTable, std::nullopt, Breach::Refuse}}
            << 2 << false << QList<A>{} << ""
            << "Не выдано: У Петрова П. уже 0 вещей из 0 разрешённых в таблице «Книги».";
        QTest::newRow("a limit of this table alone")
            << QList<Rule>{{"Книги", Group::Every, std::nullopt, 1, Scope::ThisTable, std::nullopt, Breach::Refuse}}
            << 2 << false << QList<A>{} << "" << lent;
        QTest::newRow("an overdue item, refused") << QList<Rule>{{"", Group::Every, std::nullopt, std::nullopt,
                                                                  Scope::AllTables, std::nullopt, Breach::Refuse}}
                                                  << 1 << true << QList<A>{} << ""
                                                  << "Не выдано: У Петрова П. есть просроченные вещи: «Игра 1» (Игры).";
        QTest::newRow("overdue items, a few named")
            << QList<Rule>{{"", Group::Every, std::nullopt, std::nullopt, Scope::AllTables, std::nullopt, Breach::Warn}}
            << 5 << true << QList<A>{A::No}
            << "У Петрова П. есть просроченные вещи: «Игра 1» (Игры), «Игра 2» (Игры), «Игра 3» (Игры) и ещё 2. Всё "
               "равно выдать?"
            << "Не выдано.";
        QTest::newRow("an overdue item, no word for it")
            << QList<Rule>{{"", Group::Every, std::nullopt, 5}} << 1 << true << QList<A>{} << "" << lent;
    }
    void limitsAtTheDesk() {
        QFETCH(QList<Rule>, rules);
        QFETCH(int, held);
        QFETCH(bool, overdue);
        QFETCH(QList<platform::Answer>, answers);
        QFETCH(QString, asked);
        QFETCH(QString, said);
        AppHarness app;
        PinnedToday today(kToday);
        ScriptedMessageBoxes boxes;
        catalogue(app, rules, [&](engine::Connection& c) {
            for (int i = 1; i <= held; ++i)
                c.execute(
                    QStringLiteral("INSERT INTO Игры (title, contact, issue, return) VALUES ('Игра %1', 2, %2, %3)")
                        .arg(i)
                        .arg(kToday - 10)
                        .arg(kToday + (overdue && (i == 1 || held == 5) ? -1 : 5)));
        });
        app.start();
        for (platform::Answer a : answers)
            boxes.answer(a);
        whenModalShown([&](QWidget* desk) {
            QTRY_COMPARE(QApplication::focusWidget(), childOf(desk, "leCode"));
            for (const char* code : {"P2", "B1"}) {
                QTest::keyClicks(QApplication::focusWidget(), code);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            }
            QTRY_COMPARE(QApplication::focusWidget(), childOf(desk, "leCode"));
            QCOMPARE(childOf<QLabel>(desk, "lMessage")->text(), said);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        app.find<QAction>("iDesk")->trigger();
        QCOMPARE(boxes.remaining(), 0);
        if (!asked.isEmpty())
            QCOMPARE(boxes.last().text, asked);
        app.quit(boxes);
    }

    // A person's holding as the desk changes it: a loan counts at once, a
    // return (also of a loan read from the file) frees a place at once.
    void holdingsFollowEachChange() {
        AppHarness app;
        PinnedToday today(kToday);
        ScriptedMessageBoxes boxes;
        catalogue(
            app, {{"", Group::Every, std::nullopt, 2, Scope::AllTables, std::nullopt, Breach::Refuse}},
            [](engine::Connection& c) {
                c.execute("INSERT INTO Книги (title) VALUES ('Бесы')");
                c.execute(
                    QStringLiteral("UPDATE Игры SET contact = 2, issue = %1, return = %2").arg(kToday).arg(kToday + 5));
                codes::assign(c, {"Книги", 2}, "B2");
                codes::assign(c, {"Игры", 1}, "G1");
            });
        app.start();
        QStringList said;
        whenModalShown([&](QWidget* desk) {
            QTRY_COMPARE(QApplication::focusWidget(), childOf(desk, "leCode"));
            for (const char* entry : {"P2", "B1", "B2", "<Esc>", "G1", "P2", "B2", "<Esc>", "<Esc>"}) {
                QWidget* field = QApplication::focusWidget();
                if (QString(entry) == "<Esc>") {
                    QTest::keyClick(field, Qt::Key_Escape);
                    continue;
                }
                QTest::keyClicks(field, entry);
                QTest::keyClick(field, Qt::Key_Return);
                said << childOf<QLabel>(desk, "lMessage")->text();
            }
        });
        app.find<QAction>("iDesk")->trigger();
        app.quit(boxes);
        QCOMPARE(said, (QStringList{"Отсканируйте вещи для выдачи; Esc — закончить.",
                                    "Выдано: «Идиот» — Петров Пётр, вернуть до 24.12.2026",
                                    "Не выдано: У Петрова П. уже 2 вещи из 2 разрешённых.",
                                    "Возвращено: «Го» от Петрова П.", "Отсканируйте вещи для выдачи; Esc — закончить.",
                                    "Выдано: «Бесы» — Петров Пётр, вернуть до 24.12.2026"}));
    }

    // The editor refuses as the desk does, with a message, and comes back
    // with what was typed; a prolongation past the most is refused,
    // prolongations counted from the loan history.
    void refusedInTheEditorAndProlonged() {
        AppHarness app;
        PinnedToday today(kToday);
        ScriptedMessageBoxes boxes;
        const QString file = catalogue(app, {{"", Group::Every, std::nullopt, 0, Scope::AllTables, 1, Breach::Refuse}});
        app.start();
        int shown = 0;
        std::function<void(QWidget*)> editing = [&](QWidget* editor) {
            auto* debtor = childOf<LookupComboBox>(editor, "lcbContact");
            if (++shown == 2) { // back, as typed
                QCOMPARE(debtor->currentText(), "Петров Пётр");
                QTest::keyClick(editor, Qt::Key_Escape);
                return;
            }
            auto* check = childOf<QCheckBox>(editor, "cbContact");
            check->setFocus();
            QTest::keyClick(check, Qt::Key_Space);
            debtor->setFocus();
            debtor->setCurrentIndex(0);
            QTest::keyClick(debtor, Qt::Key_Down); // Пётр
            boxes.answer(platform::Answer::Ok);
            whenModalShown(editing);
            QTest::keyClick(childOf<QLineEdit>(editor, "TitleEdit"), Qt::Key_Return);
        };
        whenModalShown(editing);
        app.ui()->DBGrid->setFocus();
        QTest::keyClick(app.ui()->DBGrid, Qt::Key_Return);
        QCOMPARE(shown, 2);
        QCOMPARE(boxes.last().text, "У Петрова П. уже 0 вещей из 0 разрешённых.");
        QCOMPARE(rowsOf(file), QStringList{"Идиот||"});
        app.quit(boxes);
        {
            engine::Connection c;
            c.setConnectionString(QStringLiteral("Data Source=") + file);
            c.open();
            c.execute(
                QStringLiteral("UPDATE Книги SET contact = 2, issue = %1, return = %2").arg(kToday).arg(kToday + 7));
        }
        app.start();
        app.find<QAction>("iProlong_7")->trigger(); // the first: allowed
        boxes.answer(platform::Answer::Ok);
        app.find<QAction>("iProlong_7")->trigger();
        QCOMPARE(boxes.last().text, "«Идиот» уже продлевали 1 раз из 1 разрешённого.");
        QCOMPARE(rowsOf(file), QStringList{"Идиот|2|14"});
        // A return is no loan: no rule stops it.
        whenModalShown([&](QWidget* desk) {
            QTRY_COMPARE(QApplication::focusWidget(), childOf(desk, "leCode"));
            QTest::keyClicks(QApplication::focusWidget(), "B1");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        app.find<QAction>("iDesk")->trigger();
        app.quit(boxes);
        QCOMPARE(rowsOf(file), QStringList{"Идиот||"});
    }
};

QTEST_MAIN(TestRules)
#include "tst_rules.moc"
