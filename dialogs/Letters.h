#pragma once
// Letters to debtors from the reminders' template, a page each: shown in a
// print preview to print, or saved as PDF. Each letter given is recorded in
// the loan history as «напомнено» for every loan it names.
#include "reports/CurrentLoans.h"

class QWidget;

// One debtor's loans.
using DebtorLoans = QList<shape::Loan>;

// The debtors of loans (as the current loans order them) with an overdue loan.
QList<DebtorLoans> OverdueDebtors(const QList<shape::Loan>& loans, double today);

// The kind of letter a debtor's loans call for: by the most reminders one
// of them has had (loans with their reminders, loanhistory::addReminders).
int LetterKindOf(const DebtorLoans& loans);
// Whether the debtor was reminded of one of loans within days before today.
bool RemindedWithin(const DebtorLoans& loans, double today, int days);
// Asks, when some debtors were reminded within days, whether to include
// them; leaves them out unless the user says yes. True when some were left out.
bool LeaveOutRecentlyReminded(QList<DebtorLoans>& debtors, double today, int days);

// True when printed or saved (and recorded).
bool PrintLetters(QWidget* parent, const QList<DebtorLoans>& debtors, const QString& catalogue);
bool SaveLettersPdf(QWidget* parent, const QList<DebtorLoans>& debtors, const QString& catalogue);

// A reminder given to debtors of loans (copied, printed, saved) goes into the
// open catalogue's history, when it keeps one.
void RecordReminder(const QList<shape::Loan>& loans);
