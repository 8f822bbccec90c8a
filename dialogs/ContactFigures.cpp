// The contacts window's part of the loan history: the figures of every
// contact in columns of its own, the list of a contact's loans, and a hint
// about a contact who keeps things too long.
#include "dialogs/ContactsUnit.h"

#include "history/HistoryKeeper.h"

#include "data/BaseFiles.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/HistoryUnit.h"
#include "dialogs/Letters.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"
#include "reports/CurrentLoans.h"
#include "reports/Reminder.h"
#include "ui_ContactsForm.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>

void TcEditForm::connectHistoryHandlers() {
    for (QAction* command : {ui->tbContactHistory, ui->iContactHistory})
        platform::connectHandler(command, &QAction::triggered, this, &TcEditForm::tbContactHistoryClick);
    for (QAction* command : {ui->tbReminder, ui->iReminder})
        platform::connectHandler(command, &QAction::triggered, this, &TcEditForm::tbReminderClick);
    connect(ui->DBGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { platform::guarded([this] { ShowDoubtfulHint(); }); });
    // Rows coming into view get their figures before they are painted.
    const auto inView = [this] { platform::guarded([this] { WorkOutFiguresInView(); }); };
    connect(ui->DBGrid->verticalScrollBar(), &QScrollBar::valueChanged, this, inView);
    connect(ui->DBGrid->queryModel(), &QAbstractItemModel::modelReset, this, inView);
    connect(ui->DBGrid->queryModel(), &QAbstractItemModel::columnsInserted, this, inView);
}

loanhistory::ContactFigures TcEditForm::FiguresOfRow(int row) const {
    const engine::Query* contacts = DM->aqContacts;
    return m_figures.value(contacts->integerValue(row, contacts->fieldIndex(QStringLiteral("id"))));
}

void TcEditForm::WorkOutFigures(const QList<int>& rows) {
    const engine::Query* contacts = DM->aqContacts;
    // The contacts of a catalogue without history (one only read) come in
    // before the window hears of it: no figures to work out there.
    if (!m_showingFigures || !loanhistory::kept())
        return;
    QList<qint64> missing;
    for (const int row : rows) {
        if (row < 0 || row >= contacts->recordCount())
            continue;
        const qint64 id = contacts->integerValue(row, contacts->fieldIndex(QStringLiteral("id")));
        if (!m_figures.contains(id) && !missing.contains(id))
            missing << id;
    }
    const QHash<qint64, QList<loanhistory::EventRow>> events = loanhistory::contactsEvents(*DM->ADOConnection, missing);
    for (const qint64 id : std::as_const(missing))
        m_figures.insert(id, loanhistory::figuresOf(loanhistory::loansOf(events.value(id)), platform::today()));
}

void TcEditForm::WorkOutFiguresInView() {
    // Only the rows on screen, before they are painted: a thousand contacts
    // open as fast as a few.
    const DataGrid* grid = ui->DBGrid;
    const int first = std::max(0, grid->rowAt(0));
    int last = grid->rowAt(grid->viewport()->height() - 1);
    if (last < 0)
        last = DM->aqContacts->recordCount() - 1;
    QList<int> rows{DM->aqContacts->currentRow()};
    for (int row = first; row <= last; ++row)
        rows << row;
    WorkOutFigures(rows);
}

void TcEditForm::ShowLoanFigures() {
    const qint64 last = loanhistory::kept() ? loanhistory::lastEvent(*DM->ADOConnection) : 0;
    const double today = platform::today();
    const bool stale = last != m_figuresUpTo || today != m_figuresOn || DM->ADOConnection->dataSource() != m_figuresOf;
    if (stale) {
        m_figures.clear(); // something happened since they were worked out
        m_figuresUpTo = last;
        m_figuresOn = today;
        m_figuresOf = DM->ADOConnection->dataSource();
    }
    // Nothing ever lent: no columns of zeros.
    const bool showing = last > 0;
    if (showing != m_showingFigures) {
        m_showingFigures = showing;
        ShowFigureColumns();
    } else if (stale && showing) {
        ui->DBGrid->queryModel()->extraColumnsChanged(); // the same columns, other figures
    }
    WorkOutFiguresInView();
    ShowDoubtfulHint();
}

void TcEditForm::ShowFigureColumns() {
    QList<QueryTableModel::ExtraColumn> columns;
    if (m_showingFigures) {
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
                   column("Сп.", "Списано долгов", &Figures::writtenOff),
                   column("Нап.", "Напоминаний о вещах на руках", &Figures::reminders)};
    }
    ui->DBGrid->queryModel()->setExtraColumns(columns);
    // With the figures beside them, the name column is fitted from nothing,
    // so every column shows at the window's first size.
    if (!columns.isEmpty())
        ui->DBGrid->setColumnWidth(0, 1);
}

void TcEditForm::ShowDoubtfulHint() {
    const engine::Query* contacts = DM->aqContacts;
    const int row = contacts->isOpen() ? contacts->currentRow() : -1;
    QString hint;
    if (row >= 0 && m_showingFigures) {
        WorkOutFigures({row});
        const loanhistory::ContactFigures f = FiguresOfRow(row);
        const QVariant group = contacts->value(row, contacts->fieldIndex(QStringLiteral("reliability")));
        if (f.doubtful() && !(group.isValid() && group.toLongLong() == 1))
            hint = QStringLiteral("Списано: %1, возвращено с опозданием: %2. Занести в 'Черный список'?")
                       .arg(f.writtenOff)
                       .arg(f.late);
        if (!std::isnan(f.lastReminded))
            hint = QStringLiteral("Напомнено %1. ").arg(platform::formatDate(platform::calendarDay(f.lastReminded)))
                   + hint;
    }
    // A widget of the status bar, not a message: a passing message (the
    // reminder's) covers it for a while, and it comes back.
    m_hint->setText(hint);
}

void TcEditForm::tbContactHistoryClick() {
    engine::Query* contacts = DM->aqContacts;
    if (!loanhistory::kept() || contacts->recordCount() <= 0)
        return;
    fmHistory->ShowContact(contacts->fieldByName(QStringLiteral("id")).asInteger(),
                           contacts->fieldByName(QStringLiteral("name")).asString());
}

void TcEditForm::tbReminderClick() {
    engine::Query* contacts = DM->aqContacts;
    if (contacts->recordCount() <= 0)
        return;
    const qint64 id = contacts->fieldByName(QStringLiteral("id")).asInteger();
    const QList<shape::Loan> loans = reports::currentLoans(*DM->ADOConnection, ReadItemTableNames(), *DM->Contacts, id);
    const QString text =
        reports::reminderText(contacts->fieldByName(QStringLiteral("name")).asString(), loans, platform::today());
    QGuiApplication::clipboard()->setText(text);
    RecordReminder(loans);
    ui->StatusBar->showMessage(QStringLiteral("Напоминание скопировано в буфер обмена."), 5000);
    ShowLoanFigures(); // the date of this reminder
}

void TcEditForm::iLetterClick(bool pdf) {
    engine::Query* contacts = DM->aqContacts;
    if (contacts->recordCount() <= 0)
        return;
    const qint64 id = contacts->fieldByName(QStringLiteral("id")).asInteger();
    DebtorLoans loans = reports::currentLoans(*DM->ADOConnection, ReadItemTableNames(), *DM->Contacts, id);
    loanhistory::addReminders(*DM->ADOConnection, loans); // the letter's kind
    if (loans.isEmpty()) {
        platform::messageBox(QStringLiteral("У контакта нет вещей: письмо не нужно."), QStringLiteral("Письмо"),
                             platform::Buttons::Ok, platform::Icon::Information);
        return;
    }
    const QString catalogue = platform::fileNameOf(DBPath);
    if (pdf ? SaveLettersPdf(this, {loans}, catalogue) : PrintLetters(this, {loans}, catalogue))
        ShowLoanFigures(); // the date of this reminder
}
