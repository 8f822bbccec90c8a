// "Создать базу данных" and "Открыть базу данных".
#include "app/Main.h"

#include "data/BaseFiles.h"
#include "data/DBMUnit.h"
#include "data/Layouts.h"
#include "data/ProgramState.h"
#include "platform/FileDialogs.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "ui_MainForm.h"

namespace {
const QString kFilter = QStringLiteral("Базы данных Access (*.mdb)");
}

void TfmMainForm::connectDatabaseHandlers() {
    platform::connectHandler(ui->iNewBase, &QAction::triggered, this, &TfmMainForm::iNewBaseClick);
    platform::connectHandler(ui->iSelectDB, &QAction::triggered, this, &TfmMainForm::iSelectDBClick);
}

QString TfmMainForm::ReducedPath(const QString& path) { return ReducedDBPath(path); }

void TfmMainForm::iNewBaseClick() {
    QString path = platform::chooseFile(this, {platform::FileDialogKind::Save, QStringLiteral("Новая база данных..."),
                                               kFilter, platform::catalogueFolder(), true});
    if (path.isEmpty())
        return;
    // Only the file's own name decides: folders such as ~/.local hold dots.
    if (!platform::fileNameOf(path).contains(u'.'))
        path += QStringLiteral(".mdb");
    if (CreateBase(path)) {
        DM->ADOConnection->close();
        DBPath = ReducedPath(path);
        DM->ConnectTo(DBPath, engine::OpenMode::Write);
        DM->Execute({QStringLiteral("Create Table _contacts"), layouts::kContactColumns});
        DM->ADOConnection->close();
    } else {
        platform::messageBox(QStringLiteral("Невозможно создать базу '") + path + QStringLiteral("'!"),
                             QStringLiteral("Невозможно создать базу!"), platform::Buttons::Ok, platform::Icon::Error);
        // With no database shown before there is nothing to reopen.
        if (!ui->DBGrid->isVisibleTo(this))
            return;
    }
    // A new database is never searched for debts.
    if (!AInit(DM->ADOConnection->openMode())) // the new one, or the one shown before
        return;
    ui->DBGrid->show();
    ui->DBGrid->setFocus();
    FitColumns();
}

void TfmMainForm::iSelectDBClick() {
    const QString path = platform::chooseFile(this, {platform::FileDialogKind::Open, QStringLiteral("Открыть базу"),
                                                     kFilter, platform::catalogueFolder(), false});
    if (!path.isEmpty())
        OpenDatabaseFile(path);
}

void TfmMainForm::OpenDatabaseFile(const QString& path) {
    EnterNoDatabaseState();
    DBPath = ReducedPath(path);
    DM->ADOConnection->close();
    DM->aqMain->close();
    DM->aqContacts->close();
    ui->DBGrid->hide();
    const std::optional<Opening> opening = PrepareOpening();
    if (!opening || !CheckBaseVersion(opening->mode))
        return;
    ShowOpenedDatabase(opening->mode);
}
