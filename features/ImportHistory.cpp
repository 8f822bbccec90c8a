#include "features/ImportHistory.h"

#include "history/LoanHistory.h"

imports::ImportRun::Outcome WriteWithHistory(imports::ImportRun& run, engine::Connection& connection,
                                             const QString& table, bool create, bool refusedToo,
                                             const imports::Progress& progress, bool keepHistory) {
    // Made with the first loan, inside the transaction.
    std::unique_ptr<loanhistory::LoanRecorder> history;
    return run.write(
        connection, table, create, refusedToo, progress,
        [&](const shape::Loan& loan) {
            if (!keepHistory)
                return;
            if (!history)
                history = std::make_unique<loanhistory::LoanRecorder>(connection);
            history->add(loan);
        },
        [&] {
            if (history)
                history->finish();
        });
}
