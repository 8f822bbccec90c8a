#include "bench/Rules.h"

#include "data/BaseFiles.h"
#include "data/DBMUnit.h"
#include "data/LoanRules.h"
#include "desk/Desk.h"
#include "history/HistoryKeeper.h"
#include "history/LoanHistory.h"
#include "platform/Today.h"
#include "rules/Enforcement.h"

#include <QElapsedTimer>

#include <stdexcept>

namespace bench {

namespace {

constexpr int kLends = 500;
constexpr qint64 kRuled = 1, kFree = 2; // a trusted contact, one of the general group

// Each of the two holds 50 items, one in each of 50 tables, due in a month;
// the rules name only the trusted.
void prepare(engine::Connection& c, const QStringList& tables, double today) {
    c.inOneTransaction([&] {
        c.execute(QStringLiteral("UPDATE _contacts SET reliability = 0 WHERE id = %1").arg(kRuled));
        c.execute(QStringLiteral("UPDATE _contacts SET reliability = NULL WHERE id = %1").arg(kFree));
        for (const QString& table : ReadItemTableNames())
            c.execute(QStringLiteral("UPDATE \"%1\" SET contact = NULL, issue = NULL, return = NULL WHERE contact "
                                     "IN (%2, %3)")
                          .arg(table)
                          .arg(kRuled)
                          .arg(kFree));
        for (int i = 0; i < 100 && i < tables.size(); ++i)
            c.execute(QStringLiteral("UPDATE \"%1\" SET contact = %2, issue = %3, return = %4 WHERE id = 1")
                          .arg(tables[i])
                          .arg(i < 50 ? kRuled : kFree)
                          .arg(today)
                          .arg(today + 30));
    });
    loanrules::write(
        c, {{QString(), loanrules::Trusted, 14, 100000, loanrules::Scope::AllTables, 100, loanrules::Breach::Warn}});
}

// Items on hand in the last tables, enough for every lend of both sides.
QList<codes::Holder> itemsOnHand(engine::Connection& c, const QStringList& tables, int count) {
    QList<codes::Holder> found;
    for (int t = int(tables.size()) - 1; t >= 0 && found.size() < count; --t) {
        engine::Query q(&c, QStringLiteral("onHand"));
        q.addSql(QStringLiteral("SELECT id FROM \"%1\" WHERE contact IS NULL LIMIT %2")
                     .arg(tables[t])
                     .arg(count - found.size()));
        q.open();
        for (int r = 0; r < q.recordCount(); ++r)
            found << codes::Holder{tables[t], q.integerValue(r, 0)};
    }
    if (found.size() < count)
        throw std::runtime_error("lend-with-rules: too few items on hand");
    return found;
}

} // namespace

Comparison lendWithRules(const QString& path, const QStringList& tables, int runs) {
    TDM dm;
    dm.ADOConnection->setConnectionString(ConnectionStringFor(path));
    dm.ADOConnection->open();
    const double today = platform::today();
    prepare(*dm.ADOConnection, tables, today);
    dm.aqContacts->open();
    loanhistory::Keeper keeper(dm);
    keeper.catalogueOpened();
    QObject owner;
    rules::enforce(
        dm, &owner,
        [&dm](const QString& table, qint64 item) {
            return loanhistory::prolongationsOf(*dm.ADOConnection, table, item);
        },
        [](const QString& question) -> bool { throw std::runtime_error(question.toStdString()); });
    const QList<codes::Holder> items = itemsOnHand(*dm.ADOConnection, tables, 2 * kLends * runs + 1);
    int next = 0;
    desk::lend(dm, items[next++], kRuled, today, 14); // the holdings read once, before the timing
    constexpr int kTurn = 100;
    Comparison c;
    c.name = QStringLiteral("lend-with-rules");
    for (int r = 0; r < runs; ++r) {
        qint64 ruledNs = 0, freeNs = 0;
        for (int done = 0; done < kLends; done += kTurn) {
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < kTurn; ++i)
                desk::lend(dm, items[next++], kRuled, today, 14);
            ruledNs += timer.nsecsElapsed();
            timer.start();
            for (int i = 0; i < kTurn; ++i)
                desk::lend(dm, items[next++], kFree, today, 14);
            freeNs += timer.nsecsElapsed();
        }
        c.oursMs.push_back(double(ruledNs) / 1e6);
        c.sqliteMs.push_back(double(freeNs) / 1e6);
    }
    c.oursRows = c.sqliteRows = kLends;
    c.paired = true;
    dm.ADOConnection->close();
    return c;
}

} // namespace bench
