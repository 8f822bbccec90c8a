#pragma once
// The debt list on paper: every item now lent, grouped by debtor (name,
// phone, address) and ordered by due date, with a header on every page
// (the catalogue, today's date, the page number), totals per debtor and
// over all, and how often and when each loan was reminded of. Overdue lines are shaded and bold with a "!", lines due
// today shaded with a "»", so greyscale paper shows them too.
#include "reports/CurrentLoans.h"

class QPagedPaintDevice;

namespace reports {

// Lays the list out on device (a printer, a PDF writer) and returns the
// number of pages.
int paintDebtReport(QPagedPaintDevice& device, const QString& catalogue, double today, const QList<shape::Loan>& loans);

} // namespace reports
