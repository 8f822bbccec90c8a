#pragma once
// Builds the whole program in a test's own folder (its program folder and
// current directory), with catalogue files made to order.
#include "app/Main.h"
#include "app/Program.h"
#include "data/DBMUnit.h"
#include "data/Layouts.h"
#include "data/ProgramState.h"
#include "engine/Connection.h"
#include "engine/DatabaseFiles.h"
#include "platform/Files.h"
#include "tests/support/TestSupport.h"
#include "ui_MainForm.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QTest>

class AppHarness {
public:
    AppHarness() {
        platform::overrideProgramFolder(folder.root());
    }
    ~AppHarness() {
        program.reset();
        platform::overrideProgramFolder(QString());
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
                c.execute(QStringLiteral("INSERT INTO ") + it.key() + QStringLiteral(" (title, contact, return) SELECT ") + row);
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
    Ui::TfmMainForm* ui() const { return program->mainForm()->form(); }

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
};
