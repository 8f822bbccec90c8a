#include "rules/Holdings.h"

#include "data/BaseFiles.h"
#include "data/CatalogueShape.h"
#include "data/DBMUnit.h"
#include "data/Statements.h"
#include "platform/Today.h"
#include "rules/RowValues.h"

namespace rules {

Holdings::Holdings(TDM& dm, QObject* parent) : QObject(parent), m_dm(dm) {
    dm.AddItemObserver(this, [this](const engine::RowChange& change) { observe(change); });
    engine::Connection* c = dm.ADOConnection;
    connect(c, &engine::Connection::committed, this, &Holdings::takePending);
    const auto stale = [this] {
        m_pending.clear();
        m_valid = false;
    };
    for (auto signal : {&engine::Connection::rolledBack, &engine::Connection::opened,
                        &engine::Connection::schemaChanged, &engine::Connection::aboutToClose})
        connect(c, signal, this, stale);
}

void Holdings::observe(const engine::RowChange& change) {
    using namespace shape::column;
    const std::vector<RowValue>& row = change.after.empty() ? change.before : change.after;
    Pending p{change.query->baseTable(),
              integerOf(valueIn(change, row, kId)),
              integerOf(valueIn(change, change.after, kContact)),
              {}};
    p.held = {p.table, p.item, QString(), NAN};
    if (const auto title = valueIn(change, change.after, kTitle); std::holds_alternative<QString>(title))
        p.held.title = std::get<QString>(title);
    if (const auto due = valueIn(change, change.after, kDue); std::holds_alternative<double>(due))
        p.held.due = std::get<double>(due);
    m_pending << p;
}

// The changes of the transaction just made lasting, taken in: the file is
// then as the holdings say, unless something else wrote in it meanwhile.
void Holdings::takePending() {
    if (m_pending.isEmpty() || !m_valid) {
        m_pending.clear();
        return;
    }
    for (const Pending& p : std::as_const(m_pending)) {
        const std::pair key{p.table, p.item};
        if (const auto was = m_holderOf.constFind(key); was != m_holderOf.constEnd())
            m_byContact[*was].removeIf([&](const Held& h) { return h.item == p.item && h.table == p.table; });
        m_holderOf.remove(key);
        if (p.contact >= 0) {
            m_byContact[p.contact] << p.held;
            m_holderOf.insert(key, p.contact);
        }
    }
    m_pending.clear();
    m_changes = m_dm.ADOConnection->totalChanges();
}

bool Holdings::current() const {
    engine::Connection& c = *m_dm.ADOConnection;
    return m_valid && c.totalChanges() == m_changes && c.dataVersion() == m_version;
}

void Holdings::readAgain() {
    using namespace shape::column;
    engine::Connection& c = *m_dm.ADOConnection;
    m_byContact.clear();
    m_holderOf.clear();
    for (const QString& table : ReadItemTableNames()) {
        engine::Query q(&c, QStringLiteral("holdings"));
        q.addSql(sql::Select({sql::name(kId), sql::name(kTitle), sql::name(kDue), sql::name(kContact)})
                     .from(table)
                     .where(sql::name(kContact) + QStringLiteral(" IS NOT NULL"))
                     .text());
        q.open();
        for (int r = 0; r < q.recordCount(); ++r) {
            m_byContact[q.integerValue(r, 3)]
                << Held{table, q.integerValue(r, 0), q.textValue(r, 1), q.isNull(r, 2) ? NAN : q.realValue(r, 2)};
            m_holderOf.insert({table, q.integerValue(r, 0)}, q.integerValue(r, 3));
        }
    }
    m_valid = true;
    m_changes = c.totalChanges();
    m_version = c.dataVersion();
}

Holding Holdings::of(qint64 contact, const QString& onlyTable, double today) {
    if (!current())
        readAgain();
    Holding holding;
    for (const Held& h : m_byContact.value(contact)) {
        if (!onlyTable.isEmpty() && h.table != onlyTable)
            continue;
        ++holding.count;
        if (!std::isnan(h.due) && platform::daysOverdue(h.due, today) > 0)
            holding.overdue << QStringLiteral("«%1» (%2)").arg(h.title, h.table);
    }
    return holding;
}

} // namespace rules
