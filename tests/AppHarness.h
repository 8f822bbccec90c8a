#pragma once
// Builds the whole program in a test's own folder (its program folder and
// current directory), with catalogue files made to order.
#include "app/Main.h"
#include "app/Program.h"
#include "controls/DataGrid.h"
#include "controls/LookupComboBox.h"
#include "data/DBMUnit.h"
#include "data/Layouts.h"
#include "data/ProgramState.h"
#include "engine/Connection.h"
#include "engine/DatabaseFiles.h"
#include "platform/Files.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

// A control of window, found by its object name as any tool finds it.
template <class T = QWidget> T* childOf(QObject* window, const char* name) {
    return window->findChild<T*>(QLatin1String(name));
}

// The main window's controls, found by their object names as any tool finds
// them.
struct MainControls {
    explicit MainControls(QObject* window) : w(window) {}
    template <class T> T* find(const char* name) const {
        T* found = w->findChild<T*>(QLatin1String(name));
        if (!found)
            QTest::qFail(qPrintable(QStringLiteral("Нет элемента %1").arg(QLatin1String(name))), __FILE__, __LINE__);
        return found;
    }
    QObject* w;
    DataGrid* DBGrid = find<DataGrid>("DBGrid");
    QFrame* pDBGrid = find<QFrame>("pDBGrid");
    QWidget* TopPanel = find<QWidget>("TopPanel");
    QLineEdit* eSearch = find<QLineEdit>("eSearch");
    LookupComboBox* cbCSearch = find<LookupComboBox>("cbCSearch");
    QToolButton* sbStartSearch = find<QToolButton>("sbStartSearch");
    QListWidget* lbTableList = find<QListWidget>("lbTableList");
    QAction* iNewBase = find<QAction>("iNewBase");
    QAction* iSelectDB = find<QAction>("iSelectDB");
    QAction* iSelectTable = find<QAction>("iSelectTable");
    QAction* iExit = find<QAction>("iExit");
    QAction* iTitleFlt = find<QAction>("iTitleFlt");
    QAction* iOCheck = find<QAction>("iOCheck");
    QAction* iAddRec = find<QAction>("iAddRec");
    QAction* iEditRec = find<QAction>("iEditRec");
    QAction* iDelRec = find<QAction>("iDelRec");
    QAction* iAbout = find<QAction>("iAbout");
    QAction* tbSelectTable = find<QAction>("tbSelectTable");
    QAction* tbNewRecord = find<QAction>("tbNewRecord");
    QAction* tbEditRecord = find<QAction>("tbEditRecord");
    QAction* tbDeleteRecord = find<QAction>("tbDeleteRecord");
    QAction* tbSearch = find<QAction>("tbSearch");
    QAction* tbSBName = find<QAction>("tbSBName");
    QAction* tbSBContact = find<QAction>("tbSBContact");
};

// The first column of each row select gives in the catalogue file.
inline QStringList rowsOf(const QString& file, const QString& select) {
    engine::Connection c;
    c.setConnectionString(QStringLiteral("Data Source=") + file);
    c.open();
    engine::Query q(&c, "rows");
    q.addSql(select);
    q.open();
    QStringList rows;
    for (int r = 0; r < q.recordCount(); ++r)
        rows << q.textValue(r, 0);
    return rows;
}

class AppHarness {
public:
    // Unscripted boxes and dialogs are reported at the test's own line.
    explicit AppHarness(std::source_location where = std::source_location::current())
        : fallbackBoxes(where), fallbackDialogs(where), folder(where), m_dataHome(qgetenv("XDG_DATA_HOME")),
          m_stateHome(qgetenv("XDG_STATE_HOME")) {
        platform::overrideProgramFolder(folder.root());
        // The backups made at exit and the catalogues remembered stay in the test's own folder.
        qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path("data")));
        qputenv("XDG_STATE_HOME", QFile::encodeName(folder.path("state")));
    }
    ~AppHarness() {
        program.reset();
        platform::overrideProgramFolder(QString());
        qputenv("XDG_DATA_HOME", m_dataHome);
        qputenv("XDG_STATE_HOME", m_stateHome);
    }

    // Boxes and dialogs a test does not script fail it instead of waiting for
    // a user, also while the program is taken down after a failed check.
    ScriptedMessageBoxes fallbackBoxes;
    ScriptedFileDialogs fallbackDialogs;
    TestFolder folder;
    std::unique_ptr<Program> program;

    void writeSettings(const QString& text) {
        QFile f(folder.path(QStringLiteral("Zandrel.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
    }
    QString settings() const {
        QFile f(folder.path(QStringLiteral("Zandrel.ini")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    // A catalogue file with _contacts and the given item tables, each filled
    // by INSERT statements' value lists: "(title, contact, return)" tuples.
    void makeCatalogue(const QString& name, const QMap<QString, QStringList>& tables,
                       const QStringList& contacts = {}) {
        const QString path = folder.path(name);
        engine::createDatabase(path);
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + path);
        c.open();
        c.execute(QStringLiteral("Create Table _contacts\n") + layouts::kContactColumns);
        for (const QString& contact : contacts)
            c.execute(QStringLiteral("INSERT INTO _contacts (id, name) SELECT ") + contact);
        for (auto it = tables.begin(); it != tables.end(); ++it) {
            c.execute(QStringLiteral("Create Table ") + it.key() + u'\n' + layouts::kItemColumns);
            for (const QString& row : it.value())
                c.execute(QStringLiteral("INSERT INTO ") + it.key()
                          + QStringLiteral(" (title, contact, return) SELECT ") + row);
        }
    }

    // Builds the program and shows it; returns once its first activation has run.
    void start() {
        program = std::make_unique<Program>();
        program->show();
        QVERIFY(QTest::qWaitForWindowActive(program->mainForm()));
        QTest::qWait(20);
    }

    // Ends the program as "Выход" answered Yes does.
    void quit(ScriptedMessageBoxes& boxes) {
        boxes.answer(platform::Answer::Yes);
        ui()->iExit->trigger();
        program.reset();
    }

    TfmMainForm* main() const { return program->mainForm(); }
    const MainControls* ui() const {
        m_controls = std::make_unique<MainControls>(program->mainForm());
        return m_controls.get();
    }
    template <class T = QWidget> T* find(const char* name) const {
        return program->mainForm()->findChild<T*>(QLatin1String(name));
    }

    QStringList shownTitles() const {
        QStringList titles;
        const int title = DM->aqMain->fieldIndex(QStringLiteral("title"));
        for (int r = 0; DM->aqMain->isOpen() && r < DM->aqMain->recordCount(); ++r)
            titles << DM->aqMain->textValue(r, title);
        return titles;
    }
    QList<int> columnWidths() const {
        QList<int> widths;
        for (int c = 0; c < ui()->DBGrid->horizontalHeader()->count(); ++c)
            widths << ui()->DBGrid->columnWidth(c);
        return widths;
    }
    QStringList enabledCommands() const {
        QStringList names;
        for (const QAction* a : main()->findChildren<QAction*>())
            if (a->isEnabled() && !a->objectName().isEmpty() && !a->isSeparator()
                && (a->objectName().startsWith(u'i') || a->objectName().startsWith(QLatin1String("tb"))))
                names << a->objectName();
        names.sort();
        return names;
    }

private:
    mutable std::unique_ptr<MainControls> m_controls;
    QByteArray m_dataHome, m_stateHome;
};
