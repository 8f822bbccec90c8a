// The lending desk driven as a scanner drives it: codes typed at machine
// speed into whatever has the focus, each ended by Enter (or Tab). What it
// lends and returns is read back from the file, with the history's events.
#include "AppHarness.h"

#include "data/Codes.h"
#include "desk/Desk.h"
#include "platform/Today.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>

namespace {

const double kToday = day(2026, 12, 10);

// Typed as a keyboard types it, Cyrillic letters too.
void type(QWidget* field, const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 128)
            QTest::keyClick(field, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Types each entry into the window's focused field and ends it with Enter;
// "<Esc>", "<Undo>" are those keys; an entry ending in "<Tab>" ends with Tab.
void key(QWidget* window, const QString& entry) {
    // A window closed over the desk hands the activation back as events come.
    QTRY_VERIFY2(window->isAncestorOf(QApplication::focusWidget()), qPrintable(entry));
    QWidget* field = QApplication::focusWidget();
    if (entry == "<Esc>")
        return QTest::keyClick(field, Qt::Key_Escape);
    if (entry == "<Undo>")
        return QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
    const bool tab = entry.endsWith("<Tab>");
    type(field, tab ? entry.chopped(5) : entry);
    QTest::keyClick(field, tab ? Qt::Key_Tab : Qt::Key_Return);
}

} // namespace

class TestDesk : public QObject {
    Q_OBJECT

    // Books: Идиот (00000001) and Дар (ISBN 9780306406157) on hand, Бесы
    // (00000002) lent to Пётр, due three days ago; Ира's card C1; Злой on
    // the black list.
    QString catalogue(AppHarness& app) {
        app.makeCatalogue(
            "a.mdb",
            {{"Книги", {"'Идиот', NULL, NULL", "'Бесы', 2, " + QString::number(kToday - 3), "'Дар', NULL, NULL"}}},
            {"1, 'Ира'", "2, 'Пётр'", "3, 'Злой'"});
        const QString file = app.folder.path("a.mdb");
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + file);
        c.open();
        c.execute("UPDATE _contacts SET reliability = 1 WHERE id = 3");
        c.execute(QStringLiteral("UPDATE Книги SET issue = %1 WHERE id = 2").arg(kToday - 17));
        codes::assign(c, {"Книги", 1}, "00000001");
        codes::assign(c, {"Книги", 2}, "00000002");
        codes::assign(c, {"Книги", 3}, "9780306406157");
        codes::assign(c, {"_contacts", 1}, "C1");
        c.close();
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n[Desk]\nStrip=#\n");
        return file;
    }

private slots:
    // Lend, return, a contact first, undo, the black list, a scanner's
    // suffix, codes not found or refused: what the file holds afterwards,
    // the window's list (newest first) and its last line.
    void theDeskLendsAndReturns_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<platform::Answer>>("answers"); // the black list's question
        QTest::addColumn<QStringList>("loans");               // title|debtor|issue|due, days from today
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("said");
        const QStringList none{"Идиот|||", "Бесы|2|-17|-3", "Дар|||"};
        QTest::newRow("lent to a name") << QStringList{"00000001", "ира"} << QList<platform::Answer>{}
                                        << QStringList{"Идиот|1|0|14", "Бесы|2|-17|-3", "Дар|||"}
                                        << QStringList{"выдано|Идиот|Ира|24.12.2026"}
                                        << "Выдано: «Идиот» — Ира, вернуть до 24.12.2026";
        QTest::newRow("lent to a card, the ISBN-10 with a suffix, ended by Tab")
            << QStringList{"0306406152#<Tab>", "c1"} << QList<platform::Answer>{}
            << QStringList{"Идиот|||", "Бесы|2|-17|-3", "Дар|1|0|14"} << QStringList{"выдано|Дар|Ира|24.12.2026"}
            << "Выдано: «Дар» — Ира, вернуть до 24.12.2026";
        QTest::newRow("returned, overdue")
            << QStringList{"00000002"} << QList<platform::Answer>{} << QStringList{"Идиот|||", "Бесы|||", "Дар|||"}
            << QStringList{"возвращено|Бесы|Пётр|"} << "Возвращено: «Бесы» от Пётр, просрочено на 3 дня";
        QTest::newRow("a card first, then items until Escape")
            << QStringList{"C1", "00000001", "9780306406157", "<Esc>", "00000002"} << QList<platform::Answer>{}
            << QStringList{"Идиот|1|0|14", "Бесы|||", "Дар|1|0|14"}
            << QStringList{"возвращено|Бесы|Пётр|", "выдано|Дар|Ира|24.12.2026", "выдано|Идиот|Ира|24.12.2026"}
            << "Возвращено: «Бесы» от Пётр, просрочено на 3 дня";
        QTest::newRow("a return undone") << QStringList{"00000002", "<Undo>"} << QList<platform::Answer>{} << none
                                         << QStringList{} << "Отменено: возврат «Бесы»";
        QTest::newRow("a loan undone") << QStringList{"00000001", "Ира", "<Undo>"} << QList<platform::Answer>{} << none
                                       << QStringList{} << "Отменено: выдача «Идиот»";
        QTest::newRow("the black list: not lent")
            << QStringList{"00000001", "Злой"} << QList<platform::Answer>{platform::Answer::No} << none << QStringList{}
            << "Не выдано.";
        QTest::newRow("the black list: lent all the same")
            << QStringList{"00000001", "Злой"} << QList<platform::Answer>{platform::Answer::Yes}
            << QStringList{"Идиот|3|0|14", "Бесы|2|-17|-3", "Дар|||"} << QStringList{"выдано|Идиот|Злой|24.12.2026"}
            << "Выдано: «Идиот» — Злой, вернуть до 24.12.2026";
        QTest::newRow("a name not known") << QStringList{"00000001", "Никто"} << QList<platform::Answer>{} << none
                                          << QStringList{} << "Контакт не найден: Никто";
        QTest::newRow("a code not known") << QStringList{"12345678"} << QList<platform::Answer>{} << none
                                          << QStringList{} << "Код не найден: 12345678";
        QTest::newRow("a wrong check digit")
            << QStringList{"9780306406158"} << QList<platform::Answer>{} << none << QStringList{}
            << "Код «9780306406158»: неверна контрольная цифра EAN-13.";
    }
    void theDeskLendsAndReturns() {
        QFETCH(QStringList, entries);
        QFETCH(QList<platform::Answer>, answers);
        QFETCH(QStringList, loans);
        QFETCH(QStringList, listed);
        QFETCH(QString, said);
        AppHarness app;
        PinnedToday today(kToday);
        ScriptedMessageBoxes boxes;
        const QString file = catalogue(app);
        app.start();
        for (platform::Answer a : answers)
            boxes.answer(a);
        whenModalShown([&](QWidget* window) {
            QTRY_COMPARE(QApplication::focusWidget(), childOf(window, "leCode")); // once the window is active
            for (const QString& entry : entries)
                key(window, entry);
            QTRY_COMPARE(QApplication::focusWidget(),
                         childOf(window, childOf<QLineEdit>(window, "leWhom")->isEnabled() ? "leWhom" : "leCode"));
            QStringList lines;
            auto* list = childOf<QTreeWidget>(window, "twActions");
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                const QTreeWidgetItem* line = list->topLevelItem(i);
                lines << QStringList{line->text(1), line->text(2), line->text(3), line->text(4)}.join(u'|');
            }
            QCOMPARE(lines, listed);
            QCOMPARE(childOf<QLabel>(window, "lMessage")->text(), said);
            // The grid behind follows at once: Идиот's row as the file has it.
            QCOMPARE(app.shownTitles().size(), 3);
            key(window, "<Esc>");
            if (window->isVisible())
                key(window, "<Esc>");
        });
        app.find<QAction>("iDesk")->trigger();
        QCOMPARE(boxes.remaining(), 0);
        app.quit(boxes);
        QCOMPARE(rowsOf(file, QStringLiteral("SELECT title || '|' || coalesce(contact, '') || '|' || "
                                             "coalesce(CAST(issue - %1 AS INTEGER), '') || '|' || "
                                             "coalesce(CAST(return - %1 AS INTEGER), '') "
                                             "FROM Книги ORDER BY id")
                                  .arg(kToday)),
                 loans);
        // Each loan and return one event of the history, an undone one two.
        const int undone = entries.contains("<Undo>") ? 1 : 0;
        QCOMPARE(rowsOf(file, "SELECT count(*) FROM _loans WHERE event IN (1, 3)").value(0).toInt(),
                 int(listed.size()) + 2 * undone + 1); // and Бесы's loan seeded when the history began
    }

    // An unknown code: «Создать запись...» opens the item editor for a new
    // item of the shown table; saved, the item has that code, and the next
    // scan of it asks whom to lend it.
    void anUnknownCodeMakesANewRecord_data() {
        QTest::addColumn<bool>("saved");
        QTest::newRow("saved") << true;
        QTest::newRow("given up") << false;
    }
    void anUnknownCodeMakesANewRecord() {
        QFETCH(bool, saved);
        AppHarness app;
        PinnedToday today(kToday);
        ScriptedMessageBoxes boxes;
        const QString file = catalogue(app);
        app.start();
        whenModalShown([&](QWidget* window) {
            key(window, "55555555");
            auto* create = childOf<QPushButton>(window, "bNewRecord");
            QVERIFY(create->isVisible());
            whenModalShown([&](QWidget* editor) {
                type(childOf(editor, "TitleEdit"), "Новая книга");
                QTest::keyClick(childOf(editor, "TitleEdit"), saved ? Qt::Key_Return : Qt::Key_Escape);
            });
            click(create);
            QCOMPARE(childOf<QLabel>(window, "lMessage")->text(),
                     saved ? "Запись создана, код 55555555 присвоен." : "Запись не создана.");
            key(window, "55555555");
            QCOMPARE(childOf<QLabel>(window, "lItem")->text().startsWith("«Новая книга», таблица «Книги». Кому?"),
                     saved);
            key(window, "<Esc>");
            if (window->isVisible())
                key(window, "<Esc>");
        });
        app.find<QAction>("iDesk")->trigger();
        app.quit(boxes);
        QCOMPARE(rowsOf(file, "SELECT t.title FROM _codes c JOIN Книги t ON t.id = c.item WHERE c.code = '55555555'"),
                 saved ? QStringList{"Новая книга"} : QStringList{});
    }

    // The desk's settings: read within their limits, kept as the window
    // leaves them, and the loan period used.
    void theDesksSettings_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("days");
        QTest::newRow("none") << "" << 14;
        QTest::newRow("a week") << "LoanDays=7" << 7;
        QTest::newRow("ten years") << "LoanDays=3650" << 3650;
        QTest::newRow("longer") << "LoanDays=3651" << 14;
        QTest::newRow("negative") << "LoanDays=-1" << 14;
        QTest::newRow("not a number") << "LoanDays=неделя" << 14;
    }
    void theDesksSettings() {
        QFETCH(QString, line);
        QFETCH(int, days);
        AppHarness app;
        PinnedToday today(kToday);
        ScriptedMessageBoxes boxes;
        const QString file = catalogue(app);
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n[Desk]\n" + line + "\n");
        QCOMPARE(desk::readSettings().loanDays, days);
        app.start();
        whenModalShown([&](QWidget* window) {
            auto* period = childOf<QSpinBox>(window, "sbDays");
            QCOMPARE(period->value(), days);
            period->setFocus();
            period->selectAll();
            type(period, "3");
            QTest::mouseClick(childOf(window, "leCode"), Qt::LeftButton);
            key(window, "00000001<Tab>");
            key(window, "Ира");
            key(window, "<Esc>");
        });
        app.find<QAction>("iDesk")->trigger();
        QVERIFY2(app.settings().contains("LoanDays=3"), qPrintable(app.settings()));
        app.quit(boxes);
        QCOMPARE(
            rowsOf(file, QStringLiteral("SELECT CAST(return - %1 AS INTEGER) FROM Книги WHERE id = 1").arg(kToday)),
            QStringList{"3"});
    }

    // A card scanned shows what its holder has, and again after each loan.
    void aCardShowsWhatIsHeld() {
        AppHarness app;
        PinnedToday today(kToday);
        ScriptedMessageBoxes boxes;
        catalogue(app);
        app.start();
        whenModalShown([&](QWidget* window) {
            QTRY_COMPARE(QApplication::focusWidget(), childOf(window, "leCode"));
            auto* shown = childOf<QLabel>(window, "lItem");
            key(window, "C1");
            QCOMPARE(shown->text(), "Ира: на руках 0 вещей");
            key(window, "00000001");
            QCOMPARE(shown->text(), "Ира: на руках 1 вещь: Идиот (Книги)");
            key(window, "<Undo>");
            QCOMPARE(shown->text(), "Ира: на руках 0 вещей");
            key(window, "<Esc>");
            key(window, "<Esc>");
        });
        app.find<QAction>("iDesk")->trigger();
        app.quit(boxes);
    }

    // «Присвоить коды...» numbers the shown items without a code; «Код...»
    // changes the current item's code, refuses one another has, and in the
    // contacts window changes a contact's.
    void codesFromTheMenus() {
        AppHarness app;
        PinnedToday today(kToday);
        ScriptedMessageBoxes boxes;
        const QString file = catalogue(app);
        {
            engine::Connection c;
            c.setConnectionString(QStringLiteral("Data Source=") + file);
            c.open();
            codes::assign(c, {"Книги", 3}, "");
        }
        app.start();
        boxes.answer(platform::Answer::Ok);
        app.find<QAction>("iGiveCodes")->trigger();
        QCOMPARE(boxes.last().text, "Присвоено: 1 код.");
        const auto typeCode = [&](QAction* command, const QString& code, const QString& was) {
            whenModalShown([&](QWidget* dialog) {
                auto* field = dialog->findChild<QLineEdit*>();
                QCOMPARE(field->text(), was);
                field->selectAll();
                type(field, code);
                QTest::keyClick(field, Qt::Key_Return);
            });
            command->trigger();
        };
        app.ui()->DBGrid->setFocus();
        typeCode(app.find<QAction>("iCode"), "0306406152", "00000002"); // Бесы, first by title
        boxes.answer(platform::Answer::Ok);
        typeCode(app.find<QAction>("iCode"), "00000001", "9780306406157");
        QCOMPARE(boxes.last().text, "Код «00000001» уже присвоен другой записи.");
        whenModalShown([&](QWidget* contacts) {
            typeCode(contacts->findChild<QAction*>("iContactCode"), "k7", ""); // Злой, first by name
            QTest::keyClick(contacts, Qt::Key_Escape);
        });
        app.find<QAction>("tbContacts")->trigger();
        app.quit(boxes);
        QCOMPARE(rowsOf(file, "SELECT code || '|' || tbl || '|' || item FROM _codes ORDER BY tbl, item"),
                 (QStringList{"C1|_contacts|1", "K7|_contacts|3", "00000001|Книги|1", "9780306406157|Книги|2",
                              "00000003|Книги|3"}));
    }
};

QTEST_MAIN(TestDesk)
#include "tst_desk.moc"
