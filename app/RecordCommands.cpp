// Adding, changing and deleting items, and the grid's own mouse and keys.
#include "app/Main.h"

#include "controls/Writers.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/EditUnit.h"
#include "platform/Keys.h"
#include "platform/MessageBox.h"
#include "ui_MainForm.h"

#include <QMenu>

void TfmMainForm::connectRecordHandlers() {
    using platform::connectHandler;
    for (QAction* command : {ui->tbNewRecord, ui->iAddRec})
        connectHandler(command, &QAction::triggered, this, &TfmMainForm::tbNewRecordClick);
    for (QAction* command : {ui->tbEditRecord, ui->iEditRec})
        connectHandler(command, &QAction::triggered, this, &TfmMainForm::tbEditRecordClick);
    for (QAction* command : {ui->tbDeleteRecord, ui->iDelRec})
        connectHandler(command, &QAction::triggered, this, &TfmMainForm::tbDeleteRecordClick);
    connect(ui->DBGrid, &DataGrid::titleClicked, this,
            [this](int column) { platform::guarded([&] { DBGridTitleClick(column); }); });
    ui->DBGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->DBGrid, &QWidget::customContextMenuRequested, this, &TfmMainForm::ShowGridMenu);
}

void TfmMainForm::SetEditAndDeleteEnabled(bool enabled) {
    for (QAction* a : {ui->iEditRec, ui->tbEditRecord, ui->iDelRec, ui->tbDeleteRecord})
        a->setEnabled(enabled);
}

bool TfmMainForm::EditItem() {
    const bool stored = PostThroughEditor(mEditForm, DM->aqMain);
    // The contacts window, reached through the editor's "+", may have asked
    // for the current table while the editor held a record of it.
    if (m_reloadAfterEditor) {
        m_reloadAfterEditor = false;
        ReloadCurrentTable();
    }
    return stored;
}

void TfmMainForm::tbNewRecordClick() {
    DM->aqMain->insert();
    if (EditItem())
        SetEditAndDeleteEnabled(true);
}

void TfmMainForm::tbEditRecordClick() {
    DM->aqMain->edit(); // an empty result begins an insert instead
    if (!EditItem())
        return;
    ui->iDelRec->setEnabled(true);
    ui->tbDeleteRecord->setEnabled(true);
    if (!DebtorFilter.isEmpty())
        RefreshSideList();
}

void TfmMainForm::tbDeleteRecordClick() {
    engine::Query* items = DM->aqMain;
    if (items->recordCount() <= 0)
        return;
    if (platform::messageBox(QStringLiteral("Вы действительно хотите удалить запись '")
                                 + items->fieldByName(QStringLiteral("title")).asString() + u'\'',
                             QStringLiteral("Удаление записи..."), platform::Buttons::YesNo, platform::Icon::Warning)
        != platform::Answer::Yes)
        return;
    if (items->recordCount() == 1)
        SetEditAndDeleteEnabled(false);
    items->deleteRecord();
    if (!DebtorFilter.isEmpty())
        RefreshSideList();
}

void TfmMainForm::RefreshSideList() {
    QListWidget* list = ui->lbTableList;
    // Right after an entry went there is no selected one: nothing to refresh.
    if (!list->currentItem())
        return;
    DM->Reopen(DM->aqMain, {SideListStatement(list->currentItem()->text())});
    if (DM->aqMain->recordCount() == 0) {
        const QSignalBlocker programStep(list);
        delete list->takeItem(list->currentRow());
        list->setCurrentRow(-1);
    }
    if (list->count() == 0)
        CloseTableList();
}

void TfmMainForm::AddOrEditItem() {
    // Only read: an item is looked at, none is added.
    if (DM->aqMain->recordCount() != 0)
        tbEditRecordClick();
    else if (!writers::readOnly())
        tbNewRecordClick();
}

void TfmMainForm::DBGridDblClick(const QPoint& at) {
    if (ui->DBGrid->cellAt(at).y() > 0) // a row below the titles
        AddOrEditItem();
}

bool TfmMainForm::DBGridKeyPress(QChar key) {
    if (key == platform::kEnterKey)
        AddOrEditItem();
    // Any typed character ends the side-list view.
    if (!DebtorFilter.isEmpty())
        CloseTableList();
    return key == platform::kEnterKey;
}

void TfmMainForm::DBGridTitleClick(int column) {
    const int field = ui->DBGrid->queryModel()->fieldOfColumn(column);
    if (field < 0 || !DM->aqMain->isOpen())
        return;
    const QString name = DM->aqMain->fields()[field].name;
    // The looked-up debtor name is no column the engine can sort on.
    if (name == QLatin1String("cname"))
        return;
    DM->aqMain->sort(name + QStringLiteral(" ASC"));
}

void TfmMainForm::ShowGridMenu(const QPoint& at) {
    // Offered over data cells only, not the titles or the indicator.
    const QPoint cell = ui->DBGrid->cellAt(ui->DBGrid->viewport()->mapTo(ui->DBGrid, at));
    if (cell.x() <= 0 || cell.y() <= 0)
        return;
    pmMain->exec(ui->DBGrid->viewport()->mapToGlobal(at));
}
