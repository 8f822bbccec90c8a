// The test support itself: a check that fails inside a modal window must
// end its test in moments. The first function fails on purpose; CTest
// passes this program when exactly that one failed and the next one ran,
// within a time limit far below the one a waiting window would run into.
#include "AppHarness.h"

#include <QApplication>
#include <QPushButton>
#include <QtTest>

class TestFailFast : public QObject {
    Q_OBJECT

private slots:
    void failingCheckInAnEditorFailsOnPurpose() {
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"A", {}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app.start();
        whenModalShown([](QWidget* editor) {
            // The contacts window over the editor: both are left open.
            whenModalShown([](QWidget*) { QFAIL("Проверка, которая не проходит нарочно"); });
            childOf<QPushButton>(editor, "bCEdit")->setEnabled(true);
            click(childOf<QPushButton>(editor, "bCEdit"));
        });
        QTest::keyClick(app.ui()->DBGrid, Qt::Key_Insert);
        // Any window the failed test opens afterwards closes by itself.
        QTest::keyClick(app.ui()->DBGrid, Qt::Key_Insert);
    }

    void nextTestFindsNoWindowLeftOpen() {
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(QApplication::activePopupWidget(), nullptr);
    }
};

QTEST_MAIN(TestFailFast)
#include "tst_failfast.moc"
