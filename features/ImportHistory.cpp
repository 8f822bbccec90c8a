#include "features/ImportHistory.h"

#include "history/LoanHistory.h"

namespace {

loanhistory::Loan loanOf(const imports::WrittenLoan& written) {
    loanhistory::Loan loan;
    loan.table = written.table;
    loan.item = written.item;
    loan.title = written.title;
    loan.contact = written.contact;
    loan.debtor = written.debtor;
    loan.issued = written.issue;
    loan.due = written.due;
    loan.ended = written.returned;
    loan.end = std::isnan(written.returned) ? loanhistory::Loan::End::Open : loanhistory::Loan::End::Returned;
    return loan;
}

} // namespace

imports::ImportRun::Outcome WriteWithHistory(imports::ImportRun& run, engine::Connection& connection,
                                             const QString& table, bool create, bool refusedToo,
                                             const imports::Progress& progress, bool keepHistory) {
    // Made with the first loan, inside the transaction.
    std::unique_ptr<loanhistory::LoanRecorder> history;
    return run.write(
        connection, table, create, refusedToo, progress,
        [&](const imports::WrittenLoan& loan) {
            if (!keepHistory)
                return;
            if (!history)
                history = std::make_unique<loanhistory::LoanRecorder>(connection);
            history->add(loanOf(loan));
        },
        [&] {
            if (history)
                history->finish();
        });
}
