#include "bench/Ours.h"

#include "data/BaseFiles.h"

namespace bench {

Ours::Ours(const QString& path) : m_path(path) {
    m_dm.ADOConnection->setConnectionString(ConnectionStringFor(path));
    connect();
}

void Ours::connect() { m_dm.ADOConnection->open(); }

void Ours::disconnect() { m_dm.ADOConnection->close(); }

int64_t Ours::open(const QString& sql, const QString& order) {
    engine::Query* q = m_dm.aqMain;
    q->clearSql();
    q->addSql(sql);
    q->open();
    if (!order.isEmpty())
        q->sort(order);
    return q->recordCount();
}

void Ours::closeMain() { m_dm.aqMain->close(); }

void Ours::compact(const QString& path) { CompactBase(path, QString(), QString()); }

} // namespace bench
