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

ShownCatalogue TfmMainForm::catalogue() { return {DBPath, DBTable, DM->ADOConnection->openMode(), DM->ADOConnection}; }

void TfmMainForm::addOpeningStep(Stage stage, OpeningStep step) {
    Q_ASSERT(stage <= Stage::Connected);
    m_openingSteps[stage].push_back(std::move(step));
}

void TfmMainForm::addStep(Stage stage, std::function<void()> step) {
    Q_ASSERT(stage > Stage::Connected);
    m_steps[stage].push_back(std::move(step));
}

std::optional<Opening> TfmMainForm::RunOpeningSteps(Stage stage, Opening opening) {
    for (const OpeningStep& step : m_openingSteps[stage]) {
        std::optional<Opening> next = step(opening);
        if (!next)
            return std::nullopt;
        opening = std::move(*next);
    }
    return opening;
}

void TfmMainForm::RunSteps(Stage stage) {
    for (const std::function<void()>& step : m_steps[stage])
        step();
}

std::optional<Opening> TfmMainForm::PrepareOpening() {
    std::optional<Opening> opening = RunOpeningSteps(Stage::BringingIn, {DBPath, engine::OpenMode::Write});
    if (opening)
        DBPath = opening->file;
    return opening ? RunOpeningSteps(Stage::ChoosingMode, *opening) : std::nullopt;
}

void TfmMainForm::whileCatalogueAway(const std::function<void()>& change) {
    if (!DebtorFilter.isEmpty())
        CloseTableList();
    EnterNoDatabaseState();
    DM->ADOConnection->close();
    ui->DBGrid->hide();
    const engine::OpenMode mode = DM->ADOConnection->openMode();
    try {
        change();
    } catch (...) {
        ShowOpenedDatabase(mode);
        throw;
    }
    ShowOpenedDatabase(mode);
}

void TfmMainForm::showTable(const QString& table) {
    if (!DebtorFilter.isEmpty() || DebtsMode)
        CloseTableList();
    DM->ReadAgain(DM->aqContacts);
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
