// Choosing the current table, and the side list of tables restricted to
// debts or to one debtor.
#include "app/Main.h"

#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/TSelectUnit.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"
#include "ui_MainForm.h"

#include <QGuiApplication>

void TfmMainForm::connectSwitchingHandlers() {
    for (QAction* command : {ui->tbSelectTable, ui->iSelectTable})
        connect(command, &QAction::triggered, this, [this] { platform::guarded([this] { tbSelectTableClick(); }); });
    // A selection moved by keyboard runs the entry at once; one moved by the
    // mouse runs when the button is released (SideListReleased). Steps of the
    // program that select an entry block the list's signals.
    connect(ui->lbTableList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0)
            return;
        if (QGuiApplication::mouseButtons() != Qt::NoButton)
            m_sideListMovedByMouse = true;
        else
            platform::guarded([this] { lbTableListClick(); });
    });
}

void TfmMainForm::SideListReleased(const QPoint& at) {
    const bool onEntry = ui->lbTableList->itemAt(at) != nullptr;
    if (onEntry || m_sideListMovedByMouse)
        platform::guarded([this] { lbTableListClick(); });
    m_sideListMovedByMouse = false;
}

void TfmMainForm::tbSelectTableClick() {
    if (fmTSForm->exec() == TfmTSForm::mrOk) {
        ReopenMain(QStringLiteral("SELECT * FROM ") + DBTable);
        EnableDeleteByCount();
        ShowTableCaption(DBTable);
        ui->tbSearch->setChecked(false);
        tbSearchClick();
    } else {
        DM->aqMain->clearSql();
        DM->aqMain->addSql(QStringLiteral("SELECT * FROM ") + DBTable);
        DM->aqMain->open();
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
    DM->aqMain->close();
    DM->aqMain->clearSql();
    if (DebtsMode) {
        const qint64 tomorrow = static_cast<qint64>(platform::today()) + 1;
        DM->aqMain->addSql(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE return<=") + QString::number(tomorrow));
    } else {
        DM->aqMain->addSql(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE contact=") + DebtorFilter);
    }
    DM->aqMain->open();
    FitColumns();
}

bool TfmMainForm::lbTableListKeyPress(QChar key) {
    if (key != QChar(27))
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
