// Loans: the contacts command (the debt filters, the debt search, prolonging
// and writing off join here).
#include "app/Main.h"

#include "data/ProgramState.h"
#include "platform/MessageBox.h"
#include "ui_MainForm.h"

void TfmMainForm::connectDebtHandlers() {
    for (QAction* command : {ui->tbContacts, ui->iContacts})
        platform::connectHandler(command, &QAction::triggered, this, &TfmMainForm::tbContactsClick);
}

void TfmMainForm::tbContactsClick() {
    cEditForm->exec();
    // A refused deletion left that contact's tables in the side list.
    if (!DebtorFilter.isEmpty())
        lbTableListClick();
    ui->DBGrid->setFocus();
}
