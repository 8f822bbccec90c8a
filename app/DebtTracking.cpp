// Loans: rows coloured by their debt state, the note of the current item,
// the three debt filters, the debt search over every item table, prolonging
// and writing off from the pop-up menu, and the contacts command.
#include "app/Main.h"

#include "data/BaseFiles.h"
#include "data/CatalogueShape.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"
#include "ui_MainForm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

namespace {

engine::Field Current(const char* field) { return DM->aqMain->fieldByName(QString::fromLatin1(field)); }

} // namespace

void TfmMainForm::connectDebtHandlers() {
    using platform::connectHandler;
    for (QAction* command : {ui->tbContacts, ui->iContacts})
        connectHandler(command, &QAction::triggered, this, &TfmMainForm::tbContactsClick);
    connectHandler(ui->iBoth, &QAction::triggered, this, &TfmMainForm::iBothClick);
    connectHandler(ui->iElapse, &QAction::triggered, this, &TfmMainForm::iElapseClick);
    connectHandler(ui->iExpired, &QAction::triggered, this, &TfmMainForm::iExpiredClick);
    connectHandler(ui->tbFDepts, &QAction::triggered, this, &TfmMainForm::tbFDeptsClick);
    connectHandler(ui->iProlong_1, &QAction::triggered, this, [this] { Prolong(1); });
    connectHandler(ui->iProlong_3, &QAction::triggered, this, [this] { Prolong(3); });
    connectHandler(ui->iProlong_7, &QAction::triggered, this, [this] { Prolong(7); });
    connectHandler(ui->iClearDept, &QAction::triggered, this, &TfmMainForm::iClearDeptClick);
    connectHandler(pmMain, &QMenu::aboutToShow, this, &TfmMainForm::pmMainPopup);
    connectHandler(ui->DBGrid, &QAbstractItemView::clicked, this, &TfmMainForm::DBGridCellClick);
    ui->DBGrid->setCellStyler(
        [this](int row, int column, bool selected) { return DBGridDrawColumnCell(row, column, selected); });
}

void TfmMainForm::FollowCurrentNote() {
    // The note follows the current item; painting never reads the database.
    connect(DM->aqMain, &engine::Query::currentRowChanged, this, &TfmMainForm::ShowCurrentNote);
    connect(DM->aqMain, &engine::Query::rowChanged, this, &TfmMainForm::ShowCurrentNote);
    connect(DM->aqMain, &engine::Query::rowsReset, this, &TfmMainForm::ShowCurrentNote);
}

CellStyle TfmMainForm::DBGridDrawColumnCell(int row, int, bool selected) const {
    CellStyle style;
    if (selected)
        style = {DataGrid::selectionColor(), Qt::white, false};
    const engine::Query* items = DM->aqMain;
    const int due = items->fieldIndex(QStringLiteral("return"));
    if (due < 0 || items->isNull(row, due))
        return style;
    // Today anew at every paint: midnight moves on.
    const platform::DebtState state = platform::debtStateOf(items->realValue(row, due), platform::today());
    if (state == platform::DebtState::Overdue) {
        style.background = selected ? QColor(128, 0, 0) : QColor(238, 136, 136);
        style.bold = true;
    } else if (state == platform::DebtState::DueToday) {
        style.background = selected ? QColor(128, 128, 0) : QColor(238, 238, 119);
        style.bold = true;
    }
    return style;
}

void TfmMainForm::ShowCurrentNote() {
    const engine::Query* items = DM->aqMain;
    const int note = items->fieldIndex(QStringLiteral("description"));
    const int row = items->isOpen() ? items->currentRow() : -1;
    StatusPanel->setText(row >= 0 && note >= 0 ? items->textValue(row, note) : QString());
}

void TfmMainForm::DebtFilterClick(QAction* filter, const QString& condition) {
    const bool wasOn = m_debtFilter == filter;
    m_debtFilter = wasOn ? nullptr : filter;
    for (QAction* item : {ui->iBoth, ui->iElapse, ui->iExpired})
        item->setChecked(item == m_debtFilter);
    const QString whole = QStringLiteral("SELECT * FROM ") + DBTable;
    DM->Reopen(DM->aqMain, {wasOn ? whole : whole + condition});
    FitColumns();
}

void TfmMainForm::iBothClick() {
    DebtFilterClick(ui->iBoth, QStringLiteral(" WHERE return<=") + platform::dayNumberText(platform::today()));
}

void TfmMainForm::iElapseClick() {
    DebtFilterClick(ui->iElapse, QStringLiteral(" WHERE return=") + platform::dayNumberText(platform::today()));
}

void TfmMainForm::iExpiredClick() {
    DebtFilterClick(ui->iExpired, QStringLiteral(" WHERE return<") + platform::dayNumberText(platform::today()));
}

void TfmMainForm::tbFDeptsClick() {
    ClearTableList();
    TableNames.clear();
    DebtsMode = true;
    RebuildTableNames();
    QStringList due;
    {
        const GridHiddenWhileSearching searching(this);
        const QString tomorrow = platform::dayNumberText(platform::today() + 1);
        for (const QString& table : std::as_const(TableNames))
            if (DM->HasRows({QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE return<=") + tomorrow}))
                due << table;
        if (due.isEmpty())
            DM->Reopen(DM->aqMain, {QStringLiteral("SELECT * FROM ") + DBTable});
    }
    if (!due.isEmpty()) {
        ListTables(due);
        const engine::Query* contacts = DM->aqContacts;
        DebtorFilter = contacts->isOpen() && contacts->currentRow() >= 0
                           ? contacts->textValue(contacts->currentRow(), contacts->fieldIndex(QStringLiteral("id")))
                           : QString();
        lbTableListClick(); // opens aqMain on the first entry and fits the columns
    } else {
        FitColumns();
        platform::messageBox(QStringLiteral("Просроченных долгов нет."), QStringLiteral("Долги..."),
                             platform::Buttons::Ok, platform::Icon::Warning);
    }
    ui->DBGrid->setFocus();
}

void TfmMainForm::pmMainPopup() {
    const bool current = DM->aqMain->isOpen() && DM->aqMain->currentRow() >= 0;
    const bool dated = current && !Current("return").isNull();
    for (QAction* prolong : {ui->iProlong_1, ui->iProlong_3, ui->iProlong_7})
        prolong->setEnabled(dated);
    DBGridCellClick();
}

void TfmMainForm::DBGridCellClick() {
    const bool current = DM->aqMain->isOpen() && DM->aqMain->currentRow() >= 0;
    ui->iClearDept->setEnabled(current && !Current("contact").isNull());
}

// Both pop-up commands change the current item and post it at once; nothing
// is re-queried, so a filtered view keeps the row with its new colour.
void TfmMainForm::PostCurrentItem(const std::function<void()>& change, int reason) {
    engine::Query* items = DM->aqMain;
    items->edit();
    try {
        change();
        items->post(reason);
    } catch (...) {
        items->cancel(); // the stored item stays as it was
        throw;
    }
}

void TfmMainForm::Prolong(int days) {
    // From the old due date, not from today; its time of day stays.
    PostCurrentItem([days] { Current("return").setAsFloat(Current("return").asFloat() + days); }, shape::Edited);
}

void TfmMainForm::iClearDeptClick() {
    // The change says why the loan ended: written off, not returned.
    PostCurrentItem(
        [] {
            Current("contact").clear();
            Current("issue").clear();
            Current("return").clear();
        },
        shape::WrittenOff);
}

bool TfmMainForm::DBGridKeyUp(int key, Qt::KeyboardModifiers modifiers) {
    // Ctrl held alone as Q is released: the one key for the debt search.
    if (key != Qt::Key_Q || (modifiers & ~Qt::KeypadModifier) != Qt::ControlModifier
        || QGuiApplication::mouseButtons() != Qt::NoButton)
        return false;
    tbFDeptsClick();
    return true;
}

void TfmMainForm::tbContactsClick() {
    cEditForm->exec();
    // A refused deletion left that contact's tables in the side list.
    if (!DebtorFilter.isEmpty())
        lbTableListClick();
    ui->DBGrid->setFocus();
}
