#include "dialogs/HistoryUnit.h"

#include "controls/DataGrid.h"
#include "data/DBMUnit.h"
#include "platform/Today.h"
#include "reports/Reminder.h"
#include "ui_HistoryForm.h"

#include <QHeaderView>

TfmHistory* fmHistory = nullptr;

namespace {

QString endText(const shape::Loan& loan) {
    const QString ended = platform::formatDate(loan.ended);
    switch (loan.end) {
    case shape::Loan::End::Open:
        return std::isnan(loan.reminded) ? QStringLiteral("на руках")
                                         : QStringLiteral("на руках, напомнено ") + reports::remindedText(loan);
    case shape::Loan::End::Returned: return ended;
    case shape::Loan::End::WrittenOff: return ended + QStringLiteral(", списано");
    case shape::Loan::End::Deleted: return ended + QStringLiteral(", удалено");
    case shape::Loan::End::TableRemoved: return ended + QStringLiteral(", таблица удалена");
    }
    return QString();
}

} // namespace

QString FiguresText(const loanhistory::ContactFigures& f) {
    return QStringLiteral("На руках: %1 (просрочено %2). Возвращено: %3 (с опозданием %4). Списано: %5.")
        .arg(f.held)
        .arg(f.overdue)
        .arg(f.returned)
        .arg(f.late)
        .arg(f.writtenOff);
}

TfmHistory::TfmHistory(QWidget* parent) : ModalForm(parent, Placement::CentredOnOwner), ui(new Ui::TfmHistory) {
    setObjectName(QStringLiteral("fmHistory")); // setupUi keeps a name already set
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    DataGrid::setUpListTable(ui->HistoryGrid);
    connect(ui->bbClose, &QPushButton::clicked, this, &QDialog::accept);
}

TfmHistory::~TfmHistory() = default;

void TfmHistory::ShowItem(const QString& table, qint64 id, const QString& title) {
    setWindowTitle(QStringLiteral("История выдачи: ") + title);
    ui->lFigures->hide();
    Fill(loanhistory::loansOf(loanhistory::itemEvents(*DM->ADOConnection, table, id)), true);
    exec();
}

void TfmHistory::ShowContact(qint64 id, const QString& name) {
    setWindowTitle(QStringLiteral("История контакта: ") + name);
    const QList<shape::Loan> loans = loanhistory::loansOf(loanhistory::contactEvents(*DM->ADOConnection, id));
    ui->lFigures->setText(FiguresText(loanhistory::figuresOf(loans, platform::today())));
    ui->lFigures->show();
    Fill(loans, false);
    exec();
}

void TfmHistory::Fill(const QList<shape::Loan>& loans, bool perItem) {
    QTableWidget* grid = ui->HistoryGrid;
    const QStringList titles =
        perItem ? QStringList{"Должник", "Выдано", "Срок", "Возвращено", "Просрочка, дн."}
                : QStringList{"Таблица", "Наименование", "Выдано", "Срок", "Возвращено", "Просрочка, дн."};
    grid->clear();
    grid->setColumnCount(int(titles.size()));
    grid->setHorizontalHeaderLabels(titles);
    grid->setRowCount(int(loans.size()));
    const double today = platform::today();
    for (int r = 0; r < loans.size(); ++r) {
        const shape::Loan& l = loans[r];
        QStringList cells =
            perItem ? QStringList{l.debtor}
                    : QStringList{l.tableRemoved ? l.table + QStringLiteral(" (удалена)") : l.table, l.title};
        cells << platform::formatDayNumber(l.issued) << platform::formatDayNumber(l.due) << endText(l)
              << (l.daysLate(today) > 0 ? QString::number(l.daysLate(today)) : QString());
        for (int c = 0; c < cells.size(); ++c) {
            auto* cell = new QTableWidgetItem(cells[c]);
            if (c >= cells.size() - 4)
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->setItem(r, c, cell);
        }
    }
    grid->resizeColumnsToContents();
    if (grid->rowCount() > 0)
        grid->selectRow(grid->rowCount() - 1);
}

QStringList TfmHistory::Rows() const {
    QStringList rows;
    const QTableWidget* grid = ui->HistoryGrid;
    for (int r = 0; r < grid->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->columnCount(); ++c)
            cells << grid->item(r, c)->text();
        rows << cells.join(u'|');
    }
    return rows;
}
