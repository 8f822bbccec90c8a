// The contacts window's part of the loan history: the figures of every
// contact in columns of its own, the list of a contact's loans, and a hint
// about a contact who keeps things too long.
#include "dialogs/ContactsUnit.h"

#include "data/DBMUnit.h"
#include "dialogs/HistoryUnit.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"
#include "ui_ContactsForm.h"

#include <QStatusBar>

void TcEditForm::connectHistoryHandlers() {
    for (QAction* command : {ui->tbContactHistory, ui->iContactHistory})
        platform::connectHandler(command, &QAction::triggered, this, &TcEditForm::tbContactHistoryClick);
    connect(ui->DBGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { platform::guarded([this] { ShowDoubtfulHint(); }); });
}

loanhistory::ContactFigures TcEditForm::FiguresOfRow(int row) const {
    const engine::Query* contacts = DM->aqContacts;
    return m_figures.value(contacts->integerValue(row, contacts->fieldIndex(QStringLiteral("id"))));
}

void TcEditForm::ShowLoanFigures() {
    m_figures.clear();
    QList<QueryTableModel::ExtraColumn> columns;
    if (DM->LoansKept)
        m_figures = loanhistory::allFigures(*DM->ADOConnection, platform::today());
    // Nothing ever lent: no columns of zeros.
    if (!m_figures.isEmpty()) {
        using Figures = loanhistory::ContactFigures;
        // Narrow, so the window's first size still leaves the name room.
        const auto column = [this](const char* title, const char* hint, int Figures::*count) {
            return QueryTableModel::ExtraColumn{
                QString::fromUtf8(title), QString::fromUtf8(hint), 3,
                [this, count](int row) { return QString::number(FiguresOfRow(row).*count); }};
        };
        columns = {column("Руки", "Вещей на руках сейчас", &Figures::held),
                   column("Пр.", "Из них просрочено", &Figures::overdue),
                   column("Вер.", "Возвращено", &Figures::returned),
                   column("Оп.", "Из них возвращено с опозданием", &Figures::late),
                   column("Сп.", "Списано долгов", &Figures::writtenOff)};
    }
    ui->DBGrid->queryModel()->setExtraColumns(columns);
    // With the figures beside them, the name column is fitted from nothing,
    // so every column shows at the window's first size.
    if (!columns.isEmpty())
        ui->DBGrid->setColumnWidth(0, 1);
    ShowDoubtfulHint();
}

void TcEditForm::ShowDoubtfulHint() {
    const engine::Query* contacts = DM->aqContacts;
    const int row = contacts->isOpen() ? contacts->currentRow() : -1;
    QString hint;
    if (row >= 0 && DM->LoansKept) {
        const loanhistory::ContactFigures f = FiguresOfRow(row);
        const QVariant group = contacts->value(row, contacts->fieldIndex(QStringLiteral("reliability")));
        if (f.doubtful() && !(group.isValid() && group.toLongLong() == 1))
            hint = QStringLiteral("Списано долгов: %1, возвращено с опозданием: %2. Возможно, контакт стоит занести в "
                                  "'Черный список'.")
                       .arg(f.writtenOff)
                       .arg(f.late);
    }
    ui->StatusBar->showMessage(hint);
}

void TcEditForm::tbContactHistoryClick() {
    engine::Query* contacts = DM->aqContacts;
    if (!DM->LoansKept || contacts->recordCount() <= 0)
        return;
    fmHistory->ShowContact(contacts->fieldByName(QStringLiteral("id")).asInteger(),
                           contacts->fieldByName(QStringLiteral("name")).asString());
}
