// Choosing the current table, and the side list of tables restricted to
// debts or to one debtor.
#include "app/Main.h"

#include "controls/GridColumns.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/TSelectUnit.h"
#include "platform/Keys.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"
#include "ui_MainForm.h"

#include <QGuiApplication>

void TfmMainForm::connectSwitchingHandlers() {
    for (QAction* command : {ui->tbSelectTable, ui->iSelectTable})
        platform::connectHandler(command, &QAction::triggered, this, &TfmMainForm::tbSelectTableClick);
    // A selection moved by keyboard runs the entry at once; one moved by the
    // mouse runs when the button is released (SideListReleased). Steps of the
    // program that select an entry block the list's signals.
    platform::connectHandler(ui->lbTableList, &QListWidget::currentRowChanged, this, &TfmMainForm::SideListMoved);
}

void TfmMainForm::SideListMoved() {
    if (ui->lbTableList->currentRow() < 0)
        return;
    if (QGuiApplication::mouseButtons() != Qt::NoButton)
        m_sideListMovedByMouse = true;
    else
        lbTableListClick();
}

void TfmMainForm::SideListReleased(const QPoint& at) {
    const bool onEntry = ui->lbTableList->itemAt(at) != nullptr;
    if (onEntry || m_sideListMovedByMouse)
        platform::guarded([this] { lbTableListClick(); });
    m_sideListMovedByMouse = false;
}

void TfmMainForm::tbSelectTableClick() {
    // The manager works through aqMain: what it showed is put back on Cancel.
    const TDM::Place shown = DM->PlaceOf(DM->aqMain);
    const QString shownTable = DBTable;
    if (fmTSForm->exec() == TfmTSForm::mrOk) {
        DM->Reopen(DM->aqMain, {QStringLiteral("SELECT * FROM ") + DBTable});
        EnableDeleteByCount();
        ShowTableCaption(DBTable);
        ui->tbSearch->setChecked(false);
        tbSearchClick();
    } else {
        DM->Reopen(DM->aqMain, {QStringLiteral("SELECT * FROM ") + DBTable});
        DM->ReturnTo(DM->aqMain, DBTable == shownTable ? shown : TDM::Place{shown.order});
        ShowTableCaption(DBTable);
    }
    FitColumns();
    ui->DBGrid->setFocus();
}

void TfmMainForm::lbTableListClick() {
    const QListWidgetItem* item = ui->lbTableList->currentItem();
    if (!item)
        return;
    const QString table = item->text();
    ShowTableCaption(table);
    DM->Reopen(DM->aqMain, {SideListStatement(table)});
    FitColumns();
}

QString TfmMainForm::SideListStatement(const QString& table) {
    if (DebtsMode)
        return QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE return<=")
               + platform::dayNumberText(platform::today() + 1);
    return QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE contact=") + DebtorFilter;
}

bool TfmMainForm::lbTableListKeyPress(QChar key) {
    if (key != platform::kEscapeKey)
        return false;
    CloseTableList();
    return true;
}

void TfmMainForm::CloseTableList() {
    ui->lbTableList->setEnabled(false);
    ui->lbTableList->hide();
    ui->DBGrid->setFocus();
    ShowTableCaption(DBTable);
    ui->tbSearch->setChecked(false);
    tbSearchClick();
    DebtsMode = false;
    DebtorFilter.clear();
}

void TfmMainForm::ClearTableList() {
    const QSignalBlocker programStep(ui->lbTableList);
    ui->lbTableList->clear();
}

void TfmMainForm::ListTables(const QStringList& tables) {
    const QSignalBlocker programStep(ui->lbTableList);
    ui->lbTableList->clear();
    ui->lbTableList->addItems(tables);
    ui->lbTableList->show();
    ui->lbTableList->setEnabled(true);
    ui->lbTableList->setCurrentRow(0);
}

void TfmMainForm::SetGridShown(bool shown) { ui->DBGrid->setVisible(shown); }

void TfmMainForm::ReloadCurrentTable() {
    const engine::Query::State state = DM->aqMain->state();
    if (state == engine::Query::State::Insert || state == engine::Query::State::Edit) {
        m_reloadAfterEditor = true;
        return;
    }
    DM->Reopen(DM->aqMain, {QStringLiteral("SELECT * FROM ") + DBTable});
}

void TfmMainForm::StretchFirstColumn() { FitGridColumn(ui->DBGrid, 0); }
