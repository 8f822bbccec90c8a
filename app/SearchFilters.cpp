// The filter bar: its four modes, the search statement, and its keys.
#include "app/Main.h"

#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "engine/Dialect.h"
#include "platform/MessageBox.h"
#include "ui_MainForm.h"

void TfmMainForm::connectSearchHandlers() {
    auto on = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, [this, handler] { platform::guarded([&] { handler(); }); });
    };
    on(ui->tbSearch, [this] { tbSearchClick(); });
    for (QAction* textMode : {ui->tbSBName, ui->tbSBType, ui->tbSBDes})
        on(textMode, [this] { tbSBNameClick(); });
    on(ui->tbSBContact, [this] { tbSBContactClick(); });
    on(ui->iTitleFlt, [this] { OpenFilterIn(ui->tbSBName); });
    on(ui->iTypeFlt, [this] { OpenFilterIn(ui->tbSBType); });
    on(ui->iContactFlt, [this] { OpenFilterIn(ui->tbSBContact); });
    on(ui->iDesFlt, [this] { OpenFilterIn(ui->tbSBDes); });
    connect(ui->sbStartSearch, &QToolButton::clicked, this, [this] { platform::guarded([this] { sbStartSearchClick(); }); });
}

void TfmMainForm::ReopenMain(const QString& select) {
    DM->aqMain->close();
    DM->aqMain->clearSql();
    DM->aqMain->addSql(select);
    DM->aqMain->open();
}

void TfmMainForm::EnableDeleteByCount() { ui->tbDeleteRecord->setEnabled(DM->aqMain->recordCount() > 0); }

void TfmMainForm::tbSearchClick() {
    QAction* modes[] = {ui->tbSBName, ui->tbSBContact, ui->tbSBType, ui->tbSBDes};
    if (ui->tbSearch->isChecked()) {
        ui->TopPanel->setFixedHeight(58);
        for (QAction* mode : modes)
            mode->setVisible(true);
        ui->sbStartSearch->setEnabled(true);
        if (ui->tbSBName->isChecked() || ui->tbSBType->isChecked() || ui->tbSBDes->isChecked())
            tbSBNameClick();
        else if (ui->tbSBContact->isChecked())
            tbSBContactClick();
        return;
    }
    ui->TopPanel->setFixedHeight(32);
    for (QAction* mode : modes)
        mode->setVisible(false);
    ui->sbStartSearch->setEnabled(false);
    ui->eSearch->setEnabled(false);
    ui->cbCSearch->setEnabled(false);
    ReopenMain(QStringLiteral("SELECT * FROM ") + DBTable);
    EnableDeleteByCount();
    FitColumns();
    ui->DBGrid->setFocus();
}

void TfmMainForm::tbSBNameClick() {
    ui->eSearch->show();
    ui->eSearch->setEnabled(true);
    ui->cbCSearch->hide();
    ui->cbCSearch->setEnabled(false);
    ui->eSearch->setFocus();
}

void TfmMainForm::tbSBContactClick() {
    ui->eSearch->hide();
    ui->eSearch->setEnabled(false);
    ui->cbCSearch->show();
    ui->cbCSearch->setEnabled(true);
    ui->cbCSearch->setFocus();
}

void TfmMainForm::sbStartSearchClick() {
    DM->aqMain->close();
    DM->aqMain->clearSql();
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
    DM->aqMain->addSql(select);
    DM->aqMain->open();
    EnableDeleteByCount();
    FitColumns();
}

void TfmMainForm::OpenFilterIn(QAction* modeButton) {
    ui->tbSearch->setChecked(true);
    modeButton->setChecked(true);
    tbSearchClick();
}

bool TfmMainForm::SearchInputKeyPress(QChar key) {
    if (key == QChar(13)) {
        sbStartSearchClick();
        return true;
    }
    if (key == QChar(27)) {
        ui->tbSearch->setChecked(false);
        tbSearchClick();
        return true;
    }
    return false;
}
