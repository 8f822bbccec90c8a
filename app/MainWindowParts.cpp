// The main window as the features see it: its menus, toolbar and pop-up
// menu, the commands live with a catalogue, and the steps the features
// take when a catalogue is opened and at exit.
#include "app/Main.h"

#include "controls/Writers.h"
#include "data/BaseFiles.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "ui_MainForm.h"

#include <QMenuBar>

QMenu* TfmMainForm::menu(const QString& name, const QString& title) {
    if (auto* existing = ui->MainMenu->findChild<QMenu*>(name))
        return existing;
    auto* made = new QMenu(title, ui->MainMenu);
    made->setObjectName(name);
    ui->MainMenu->insertMenu(ui->mHelp->menuAction(), made);
    return made;
}

QToolBar* TfmMainForm::toolBar() { return ui->ToolBar; }

DataGrid* TfmMainForm::itemGrid() { return ui->DBGrid; }
QAction* TfmMainForm::debtSearch() { return ui->tbFDepts; }

void TfmMainForm::addCatalogueCommand(QAction* command, Writes writes) {
    command->setProperty("needsCatalogue", true);
    command->setEnabled(ui->DBGrid->isVisibleTo(this));
    if (writes == Writes::Yes)
        writers::declare(command);
}

void TfmMainForm::addStep(Stage stage, std::function<bool()> step) { m_steps[stage].push_back(std::move(step)); }

bool TfmMainForm::RunSteps(Stage stage) {
    for (const std::function<bool()>& step : m_steps[stage])
        if (!step() && (stage == Stage::BeforeOpening || stage == Stage::Connected))
            return false;
    return true;
}

void TfmMainForm::putCatalogueAway() {
    if (!DebtorFilter.isEmpty())
        CloseTableList();
    EnterNoDatabaseState();
    DM->ADOConnection->close();
    ui->DBGrid->hide();
}

void TfmMainForm::showTable(const QString& table) {
    if (!DebtorFilter.isEmpty() || DebtsMode)
        CloseTableList();
    const TDM::Place contacts = DM->PlaceOf(DM->aqContacts);
    DM->aqContacts->close();
    DM->aqContacts->open();
    DM->ReturnTo(DM->aqContacts, contacts);
    DBTable = table;
    RebuildTableNames();
    DM->Reopen(DM->aqMain, {QStringLiteral("SELECT * FROM ") + DBTable});
    EnableDeleteByCount();
    ShowTableCaption(DBTable);
    ui->tbSearch->setChecked(false);
    tbSearchClick();
    FitColumns();
    ui->DBGrid->setFocus();
}
