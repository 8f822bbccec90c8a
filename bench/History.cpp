#include "bench/History.h"

#include "data/DBMUnit.h"

#include <QElapsedTimer>

namespace bench {

Comparison postWithHistory(const QString& path, int runs) {
    constexpr int kEdits = 10'000;
    TDM dm;
    dm.ADOConnection->setConnectionString(ConnectionStringFor(path));
    dm.ADOConnection->open();
    dm.KeepLoanHistory();
    dm.aqContacts->open();
    dm.Reopen(dm.aqMain, {QStringLiteral("SELECT * FROM T001 WHERE contact IS NOT NULL")});
    engine::Query* items = dm.aqMain;
    int moved = 0;
    const auto edits = [&](bool history, int count) {
        dm.LoansKept = history;
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
            with.start();
            edits(true, kTurn);
            withNs += with.nsecsElapsed();
            without.start();
            edits(false, kTurn);
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
