#include "bench/History.h"

#include "data/DBMUnit.h"
#include "history/HistoryKeeper.h"

#include <QElapsedTimer>

#include <memory>

namespace bench {

Comparison postWithHistory(const QString& path, int runs) {
    constexpr int kEdits = 10'000;
    TDM dm;
    dm.ADOConnection->setConnectionString(ConnectionStringFor(path));
    dm.ADOConnection->open();
    dm.aqContacts->open();
    dm.Reopen(dm.aqMain, {QStringLiteral("SELECT * FROM T001 WHERE contact IS NOT NULL")});
    engine::Query* items = dm.aqMain;
    int moved = 0;
    // With the history: a keeper follows the data module's changes; without
    // it, none does (the posts are wrapped in the same transactions).
    std::unique_ptr<loanhistory::Keeper> keeper;
    const auto edits = [&](int count) {
        for (int i = 0; i < count; ++i) {
            items->setCurrentRow(moved % items->recordCount());
            items->edit();
            items->fieldByName(QStringLiteral("return")).setAsFloat(50000 + (++moved % 1000));
            items->post();
        }
    };
    // Every post waits for the disk, whose speed drifts: the two sides take
    // turns a hundred posts at a time, so both meet the same disk.
    constexpr int kTurn = 100;
    Comparison c;
    c.name = QStringLiteral("post-history");
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer with, without;
        qint64 withNs = 0, withoutNs = 0;
        for (int done = 0; done < kEdits; done += kTurn) {
            keeper = std::make_unique<loanhistory::Keeper>(dm);
            keeper->catalogueOpened();
            with.start();
            edits(kTurn);
            withNs += with.nsecsElapsed();
            keeper.reset();
            without.start();
            edits(kTurn);
            withoutNs += without.nsecsElapsed();
        }
        c.oursMs.push_back(double(withNs) / 1e6);
        c.sqliteMs.push_back(double(withoutNs) / 1e6);
    }
    c.oursRows = c.sqliteRows = kEdits;
    dm.ADOConnection->close();
    return c;
}

} // namespace bench
