// The filter bar: its four modes, the search statement, and its keys.
#include "app/Main.h"

#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "engine/Dialect.h"
#include "platform/Keys.h"
#include "platform/MessageBox.h"
#include "ui_MainForm.h"

void TfmMainForm::connectSearchHandlers() {
    using platform::connectHandler;
    connectHandler(ui->tbSearch, &QAction::triggered, this, &TfmMainForm::tbSearchClick);
    for (QAction* textMode : {ui->tbSBName, ui->tbSBType, ui->tbSBDes})
        connectHandler(textMode, &QAction::triggered, this, &TfmMainForm::tbSBNameClick);
    connectHandler(ui->tbSBContact, &QAction::triggered, this, &TfmMainForm::tbSBContactClick);
    const std::pair<QAction*, QAction*> menuModes[] = {{ui->iTitleFlt, ui->tbSBName},
                                                       {ui->iTypeFlt, ui->tbSBType},
                                                       {ui->iContactFlt, ui->tbSBContact},
                                                       {ui->iDesFlt, ui->tbSBDes}};
    for (const auto& [item, mode] : menuModes)
        connectHandler(item, &QAction::triggered, this, [this, mode = mode] { OpenFilterIn(mode); });
    connectHandler(ui->sbStartSearch, &QToolButton::clicked, this, &TfmMainForm::sbStartSearchClick);
}

void TfmMainForm::EnableDeleteByCount() { ui->tbDeleteRecord->setEnabled(DM->aqMain->recordCount() > 0); }

void TfmMainForm::tbSearchClick() {
    QAction* modes[] = {ui->tbSBName, ui->tbSBContact, ui->tbSBType, ui->tbSBDes};
    if (ui->tbSearch->isChecked()) {
        ui->TopPanel->setFixedHeight(kWithSearchRowHeight);
        for (QAction* mode : modes)
            mode->setVisible(true);
        ui->sbStartSearch->setEnabled(true);
        if (ui->tbSBName->isChecked() || ui->tbSBType->isChecked() || ui->tbSBDes->isChecked())
            tbSBNameClick();
        else if (ui->tbSBContact->isChecked())
            tbSBContactClick();
        return;
    }
    ui->TopPanel->setFixedHeight(kToolbarOnlyHeight);
    for (QAction* mode : modes)
        mode->setVisible(false);
    ui->sbStartSearch->setEnabled(false);
    ui->eSearch->setEnabled(false);
    ui->cbCSearch->setEnabled(false);
    DM->Reopen(DM->aqMain, {QStringLiteral("SELECT * FROM ") + DBTable});
    EnableDeleteByCount();
    FitColumns();
    ui->DBGrid->setFocus();
}

namespace {

// One of the two search inputs at a time: shown, enabled and focused.
void SwitchInput(QWidget* to, QWidget* from) {
    to->show();
    to->setEnabled(true);
    from->hide();
    from->setEnabled(false);
    to->setFocus();
}

} // namespace

void TfmMainForm::tbSBNameClick() { SwitchInput(ui->eSearch, ui->cbCSearch); }

void TfmMainForm::tbSBContactClick() { SwitchInput(ui->cbCSearch, ui->eSearch); }

void TfmMainForm::sbStartSearchClick() {
    // Quote marks are doubled so that a text such as O'Brien is searched
    // for literally; '%' and '_' keep their pattern meaning.
    const QString text = engine::quoted(ui->eSearch->text());
    const QString from = QStringLiteral("SELECT * FROM ") + DBTable;
    QString select;
    if (ui->tbSBName->isChecked())
        select = from + QStringLiteral(" WHERE title LIKE '%") + text + QStringLiteral("%'");
    else if (ui->tbSBType->isChecked())
        select = from + QStringLiteral(" WHERE type LIKE '%") + text + QStringLiteral("%'");
    else if (ui->tbSBDes->isChecked())
        select = from + QStringLiteral(" WHERE description LIKE '%") + text + QStringLiteral("%'");
    else if (!ui->cbCSearch->currentText().isEmpty())
        select = from + QStringLiteral(" WHERE contact=") + QString::number(ui->cbCSearch->keyValue().toLongLong());
    else
        select = from;
    DM->Reopen(DM->aqMain, {select});
    EnableDeleteByCount();
    FitColumns();
}

void TfmMainForm::OpenFilterIn(QAction* modeButton) {
    ui->tbSearch->setChecked(true);
    modeButton->setChecked(true);
    tbSearchClick();
}

bool TfmMainForm::SearchInputKeyPress(QChar key) {
    if (key == platform::kEnterKey) {
        sbStartSearchClick();
        return true;
    }
    if (key == platform::kEscapeKey) {
        ui->tbSearch->setChecked(false);
        tbSearchClick();
        return true;
    }
    return false;
}
