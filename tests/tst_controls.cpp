// The data-aware controls against the rules of Qt's model/view framework.
#include "controls/DataGrid.h"
#include "engine/Connection.h"
#include "engine/DatabaseFiles.h"
#include "engine/Query.h"
#include "tests/support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QtTest>

using engine::FieldDef;
using engine::FieldKind;

class TestControls : public QObject {
    Q_OBJECT

private slots:
    void gridModelKeepsTheRulesThroughEveryChange() {
        TestFolder folder;
        engine::createDatabase(folder.path("t.mdb"));
        engine::Connection connection;
        connection.setConnectionString(QStringLiteral("Data Source=") + folder.path("t.mdb"));
        connection.open();
        connection.execute(
            QStringLiteral("Create Table T\n(id COUNTER PRIMARY KEY, title VARCHAR(50), issue DATETIME)"));
        for (const char* title : {"b", "c", "a"})
            connection.execute(QStringLiteral("INSERT INTO T (title) SELECT '%1'").arg(QLatin1String(title)));

        engine::Query query(&connection, QStringLiteral("q"));
        FieldDef id = FieldDef::of(QStringLiteral("id"), FieldKind::AutoIncrement);
        id.visible = false;
        query.setFieldDefs({id, FieldDef::of(QStringLiteral("title"), FieldKind::Text, 50),
                            FieldDef::of(QStringLiteral("issue"), FieldKind::DateTime)});
        query.addSql(QStringLiteral("SELECT * FROM T"));
        DataGrid grid;
        grid.setQuery(&query);
        QAbstractItemModelTester tester(grid.queryModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);

        query.open();
        QCOMPARE(grid.model()->rowCount(), 3);
        QCOMPARE(grid.model()->columnCount(), 2);
        query.sort(QStringLiteral("title ASC"));
        QCOMPARE(grid.model()->index(0, 0).data().toString(), QStringLiteral("a"));
        query.insert();
        query.fieldByName(QStringLiteral("title")).setAsString(QStringLiteral("new"));
        query.post();
        QCOMPARE(grid.model()->rowCount(), 4);
        QCOMPARE(grid.currentIndex().row(), query.currentRow());
        query.edit();
        query.fieldByName(QStringLiteral("issue")).setAsFloat(45352);
        query.post();
        QCOMPARE(grid.model()->index(query.currentRow(), 1).data().toString(), QStringLiteral("01.03.2024"));
        query.deleteRecord();
        QCOMPARE(grid.model()->rowCount(), 3);
        query.close();
        QCOMPARE(grid.model()->rowCount(), 0);
        query.open();
        QCOMPARE(grid.model()->rowCount(), 3);
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
