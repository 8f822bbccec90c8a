// The loan history of the current item.
#include "app/Main.h"

#include "data/DBMUnit.h"
#include "dialogs/HistoryUnit.h"
#include "platform/MessageBox.h"
#include "ui_MainForm.h"

void TfmMainForm::connectHistoryHandlers() {
    for (QAction* command : {ui->iHistory, ui->tbHistory})
        platform::connectHandler(command, &QAction::triggered, this, &TfmMainForm::iHistoryClick);
}

void TfmMainForm::iHistoryClick() {
    engine::Query* items = DM->aqMain;
    if (!DM->LoansKept || !items->isOpen() || items->currentRow() < 0)
        return;
    fmHistory->ShowItem(items->baseTable(), items->fieldByName(QStringLiteral("id")).asInteger(),
                        items->fieldByName(QStringLiteral("title")).asString());
}
