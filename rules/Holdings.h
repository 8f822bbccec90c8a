#pragma once
// Who holds what, from every item table, read once and then kept with each
// change of an item the data module writes, so that a lend does not read
// every table to count a person's items. Read again when something else
// changed the file: another program, a statement of the design's, a table
// made, renamed or removed.
#include "engine/Query.h"
#include "rules/LoanChecks.h"

#include <QHash>
#include <QList>
#include <QObject>

class TDM;

namespace rules {

class Holdings : public QObject {
public:
    explicit Holdings(TDM& dm, QObject* parent = nullptr);
    // What contact has now in tables (every item table when none given).
    Holding of(qint64 contact, const QString& onlyTable, double today);

private:
    struct Held {
        QString table;
        qint64 item = -1;
        QString title;
        double due = 0; // NaN: none
    };
    void observe(const engine::RowChange& change);
    void takePending();
    void readAgain();
    bool current() const;

    TDM& m_dm;
    QHash<qint64, QList<Held>> m_byContact;
    QHash<std::pair<QString, qint64>, qint64> m_holderOf; // an item's holder
    // Changes written in the transaction under way: (the item's table and
    // id, its holder after the change with what it holds, -1 for none).
    struct Pending {
        QString table;
        qint64 item;
        qint64 contact;
        Held held;
    };
    QList<Pending> m_pending;
    bool m_valid = false;
    qint64 m_changes = -1, m_version = -1;
};

} // namespace rules
