#include "dialogs/Letters.h"

#include "controls/Writers.h"
#include "data/DBMUnit.h"
#include "history/HistoryKeeper.h"
#include "history/LoanHistory.h"
#include "platform/FileDialogs.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"
#include "reminders/ReminderSettings.h"
#include "reports/PdfFile.h"
#include "reports/Reminder.h"

#include <QPagedPaintDevice>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>

namespace {

QStringList lettersTo(const QList<DebtorLoans>& debtors, const QString& catalogue) {
    QString letter = reminders::readSettings().letter;
    if (letter.isEmpty())
        letter = reminders::defaultLetter();
    QStringList letters;
    for (const DebtorLoans& loans : debtors)
        letters << reports::letterText(letter, loans.first().debtor, loans, platform::today(), catalogue);
    return letters;
}

void recordAll(const QList<DebtorLoans>& debtors) {
    QList<shape::Loan> named;
    for (const DebtorLoans& loans : debtors)
        named << loans;
    RecordReminder(named);
}

} // namespace

QList<DebtorLoans> OverdueDebtors(const QList<shape::Loan>& loans, double today) {
    QList<DebtorLoans> debtors;
    for (const shape::Loan& l : loans) {
        if (debtors.isEmpty() || debtors.last().first().contact != l.contact)
            debtors.append(DebtorLoans());
        debtors.last() << l;
    }
    debtors.removeIf([&](const DebtorLoans& mine) {
        return std::none_of(mine.begin(), mine.end(),
                            [&](const auto& l) { return platform::daysOverdue(l.due, today) > 0; });
    });
    return debtors;
}

bool PrintLetters(QWidget* parent, const QList<DebtorLoans>& debtors, const QString& catalogue) {
    const QStringList letters = lettersTo(debtors, catalogue);
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Письма должникам"));
    printer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setObjectName(QStringLiteral("LettersPreview"));
    preview.setWindowTitle(debtors.size() == 1 ? QStringLiteral("Письмо: ") + debtors.first().first().debtor
                                               : QStringLiteral("Письма должникам"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, parent,
                     [&](QPrinter* target) { platform::guarded([&] { reports::paintLetters(*target, letters); }); });
    if (preview.exec() != QDialog::Accepted) // closed without printing
        return false;
    recordAll(debtors);
    return true;
}

bool SaveLettersPdf(QWidget* parent, const QList<DebtorLoans>& debtors, const QString& catalogue) {
    const QString path = platform::chooseTarget(
        parent, debtors.size() == 1 ? QStringLiteral("Письмо в PDF") : QStringLiteral("Письма должникам в PDF"),
        QStringLiteral("Документ PDF (*.pdf)"));
    if (path.isEmpty())
        return false;
    const QStringList letters = lettersTo(debtors, catalogue);
    reports::savePdf(
        path, QStringLiteral("Письма должникам: ") + catalogue,
        [&](QPagedPaintDevice& pdf) { reports::paintLetters(pdf, letters); }, QMarginsF(20, 20, 20, 20));
    recordAll(debtors);
    return true;
}

void RecordReminder(const QList<shape::Loan>& loans) {
    // A catalogue only read gets its reminders all the same, recorded nowhere.
    if (!loanhistory::kept() || loans.isEmpty() || writers::readOnly())
        return;
    loanhistory::recordReminder(*DM->ADOConnection, loans);
}
