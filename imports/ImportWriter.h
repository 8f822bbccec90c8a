#pragma once
// Records written into an item table, in the caller's transaction: a new
// table made first when asked, debtors matched to contacts by name (case
// ignored) or added to the general group, each item given the next id of
// the table's counter. The loans written are handed on (for the history).
#include "imports/Records.h"

#include "data/Loan.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>

namespace engine {
class Connection;
class RowInsert;
} // namespace engine

namespace imports {

class ImportWriter {
public:
    // Throws what the engine throws; ImportError when the table lacks a
    // column the records need.
    ImportWriter(engine::Connection& connection, const QString& table, bool create);
    ~ImportWriter();
    // The item's past loans (returned), then its current one, go to onLoan.
    std::function<void(const shape::Loan&)> onLoan;
    void add(const Record& record);
    void finish();
    qint64 itemsAdded() const { return m_items; }
    qint64 contactsAdded() const { return m_contacts; }

private:
    qint64 contactFor(const QString& name);
    qint64 nextId(const QString& table);

    engine::Connection& m_connection;
    QString m_table;
    bool m_hasNote = true, m_hasLoans = true;
    std::unique_ptr<engine::RowInsert> m_insert, m_contactInsert;
    QHash<QString, qint64> m_contactIds; // by folded name
    qint64 m_nextItem = 1, m_nextContact = 1;
    qint64 m_items = 0, m_contacts = 0;
};

} // namespace imports
