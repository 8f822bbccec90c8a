#include "bench/Desk.h"

#include "data/Codes.h"
#include "data/DBMUnit.h"
#include "desk/Desk.h"
#include "history/HistoryKeeper.h"
#include "labels/LabelSheet.h"
#include "platform/Today.h"
#include "reports/PdfFile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace bench {

namespace {

constexpr int kLends = 1'000;

void giveEveryItemACode(engine::Connection& c, const QString& table) {
    engine::Query ids(&c, QStringLiteral("ids"));
    ids.addSql(QStringLiteral("SELECT id FROM \"%1\"").arg(table));
    ids.open();
    if (codes::kept(c) && int(codes::codesOf(c, table).size()) >= ids.recordCount())
        return;
    QList<qint64> items;
    items.reserve(ids.recordCount());
    for (int r = 0; r < ids.recordCount(); ++r)
        items << ids.integerValue(r, 0);
    codes::giveNumbers(c, table, items);
}

// Codes of items on hand, enough for every lend of both sides.
QStringList codesOnHand(engine::Connection& c, const QString& table, int count) {
    engine::Query q(&c, QStringLiteral("onHand"));
    q.addSql(QStringLiteral("SELECT c.code FROM _codes c JOIN \"%1\" b ON b.id = c.item AND c.tbl = '%1' "
                            "WHERE b.contact IS NULL LIMIT %2")
                 .arg(table)
                 .arg(count));
    q.open();
    QStringList found;
    for (int r = 0; r < q.recordCount(); ++r)
        found << q.textValue(r, 0);
    if (found.size() < count)
        throw std::runtime_error("desk-scan: too few items on hand");
    return found;
}

// The yardstick's lend: the code's item found, its row read, its loan set.
class PlainLend {
public:
    PlainLend(const QString& path, const QString& table) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw std::runtime_error("desk-scan: cannot open the file");
        sqlite3_busy_timeout(m_db, 5000);
        prepare(m_find, "SELECT tbl, item FROM _codes WHERE code = ?");
        prepare(m_read, QStringLiteral("SELECT * FROM \"%1\" WHERE id = ?").arg(table).toUtf8());
        prepare(
            m_update,
            QStringLiteral("UPDATE \"%1\" SET contact = ?, issue = ?, return = ? WHERE id = ?").arg(table).toUtf8());
    }
    ~PlainLend() {
        for (sqlite3_stmt* s : {m_find, m_read, m_update})
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }
    void lend(const QByteArray& code, double today) {
        sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_bind_text(m_find, 1, code.constData(), int(code.size()), SQLITE_STATIC);
        if (sqlite3_step(m_find) != SQLITE_ROW)
            throw std::runtime_error("desk-scan: a code not found");
        const sqlite3_int64 item = sqlite3_column_int64(m_find, 1);
        sqlite3_reset(m_find);
        sqlite3_bind_int64(m_read, 1, item);
        while (sqlite3_step(m_read) == SQLITE_ROW)
            for (int i = 0; i < sqlite3_column_count(m_read); ++i)
                sqlite3_column_text(m_read, i);
        sqlite3_reset(m_read);
        sqlite3_bind_int64(m_update, 1, 1);
        sqlite3_bind_double(m_update, 2, today);
        sqlite3_bind_double(m_update, 3, today + 14);
        sqlite3_bind_int64(m_update, 4, item);
        sqlite3_step(m_update);
        sqlite3_reset(m_update);
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    }

private:
    void prepare(sqlite3_stmt*& statement, const QByteArray& sql) {
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
    }
    sqlite3* m_db = nullptr;
    sqlite3_stmt *m_find = nullptr, *m_read = nullptr, *m_update = nullptr;
};

} // namespace

Comparison deskScan(const QString& path, const QString& table, int runs) {
    TDM dm;
    dm.ADOConnection->setConnectionString(ConnectionStringFor(path));
    dm.ADOConnection->open();
    dm.aqContacts->open();
    loanhistory::Keeper keeper(dm);
    keeper.catalogueOpened();
    giveEveryItemACode(*dm.ADOConnection, table);
    const QStringList codes = codesOnHand(*dm.ADOConnection, table, 2 * kLends * runs);
    PlainLend plain(path, table);
    const double today = platform::today();
    const desk::Settings settings;
    // Each lend commits with full syncs, whose speed drifts: the two sides
    // take turns a hundred lends at a time, so both meet the same disk.
    constexpr int kTurn = 100;
    Comparison c;
    c.name = QStringLiteral("desk-scan");
    int next = 0;
    for (int r = 0; r < runs; ++r) {
        qint64 oursNs = 0, plainNs = 0;
        for (int done = 0; done < kLends; done += kTurn) {
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < kTurn; ++i) {
                const desk::Scanned s = desk::scan(dm, codes[next++], settings);
                if (s.kind != desk::Scanned::Kind::OnHand)
                    throw std::runtime_error("desk-scan: the item is not on hand");
                desk::lend(dm, s.holder, 1, today, settings.loanDays);
            }
            oursNs += timer.nsecsElapsed();
            timer.start();
            for (int i = 0; i < kTurn; ++i)
                plain.lend(codes[next++].toUtf8(), today);
            plainNs += timer.nsecsElapsed();
        }
        c.oursMs.push_back(double(oursNs) / 1e6);
        c.sqliteMs.push_back(double(plainNs) / 1e6);
    }
    c.oursRows = c.sqliteRows = kLends;
    c.paired = true;
    dm.ADOConnection->close();
    return c;
}

LabelsFigures labelsToPdf(const QString& path, const QString& table) {
    LabelsFigures f;
    engine::Connection c;
    c.setConnectionString(ConnectionStringFor(path));
    c.open();
    engine::Query q(&c, QStringLiteral("labels"));
    q.addSql(QStringLiteral("SELECT c.code, b.title FROM _codes c JOIN \"%1\" b ON b.id = c.item AND c.tbl = '%1' "
                            "LIMIT 1000")
                 .arg(table));
    q.open();
    QList<labels::Label> list;
    for (int r = 0; r < q.recordCount(); ++r)
        list << labels::Label{q.textValue(r, 0), q.textValue(r, 1), table};
    const QTemporaryDir folder;
    QElapsedTimer timer;
    timer.start();
    reports::savePdf(
        folder.filePath(QStringLiteral("labels.pdf")), QStringLiteral("Этикетки"),
        [&](QPagedPaintDevice& pdf) { f.pages = labels::paintLabels(pdf, labels::presets().first(), 0, list); },
        QMarginsF());
    f.seconds = double(timer.nsecsElapsed()) / 1e9;
    f.labels = int(list.size());
    return f;
}

} // namespace bench
