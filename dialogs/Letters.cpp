#include "dialogs/Letters.h"

#include "controls/Writers.h"
#include "data/DBMUnit.h"
#include "history/HistoryKeeper.h"
#include "history/LoanHistory.h"
#include "platform/FileDialogs.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Plural.h"
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
    const reminders::ReminderSettings settings = reminders::readSettings();
    QStringList letters;
    for (const DebtorLoans& loans : debtors)
        letters << reports::letterText(reminders::letterOf(settings, LetterKindOf(loans)), loans.first().debtor, loans,
                                       platform::today(), catalogue);
    return letters;
}

QString namesOf(const QList<DebtorLoans>& debtors) {
    QStringList names;
    for (const DebtorLoans& loans : debtors)
        names << loans.first().debtor;
    return platform::firstFewAndMore(names);
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

int LetterKindOf(const DebtorLoans& loans) {
    int most = 0;
    for (const shape::Loan& l : loans)
        most = std::max(most, l.reminders);
    return reminders::letterKindAfter(most);
}

bool RemindedWithin(const DebtorLoans& loans, double today, int days) {
    return std::any_of(loans.begin(), loans.end(), [&](const shape::Loan& l) {
        return !std::isnan(l.reminded) && today - platform::calendarDay(l.reminded) < days;
    });
}

bool LeaveOutRecentlyReminded(QList<DebtorLoans>& debtors, double today, int days) {
    QList<DebtorLoans> recent;
    for (const DebtorLoans& loans : std::as_const(debtors))
        if (RemindedWithin(loans, today, days))
            recent << loans;
    if (recent.isEmpty())
        return false;
    const QString question = QStringLiteral("За последние %1 уже напоминали: %2.\rВключить напомненных недавно?")
                                 .arg(platform::countOf(days, {"день", "дня", "дней"}), namesOf(recent));
    if (platform::messageBox(question, QStringLiteral("Письма должникам"), platform::Buttons::YesNo,
                             platform::Icon::Question)
        == platform::Answer::Yes)
        return false;
    debtors.removeIf([&](const DebtorLoans& loans) { return RemindedWithin(loans, today, days); });
    return true;
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
