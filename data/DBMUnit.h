#pragma once
// The data module: the one connection and the two queries every window
// reads and writes the catalogue file through.
#include "data/CatalogueShape.h"
#include "engine/Connection.h"
#include "engine/Query.h"

#include "platform/SingleInstance.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

// Feeds a data-aware control from a query.
class DataSource : public QObject {
    Q_OBJECT
public:
    DataSource(engine::Query* dataSet, const QString& name, QObject* parent) : QObject(parent), m_dataSet(dataSet) {
        setObjectName(name);
    }
    engine::Query* dataSet() const { return m_dataSet; }

private:
    engine::Query* m_dataSet;
};

// An item table renamed (newName) or about to be removed, told inside the
// change's own transaction.
struct TableChange {
    QString table;
    bool removed = false;
    QString newName;
};

class TDM;
// The one of its kind, from its making to its end.
extern TDM* DM;

class TDM : public QObject {
    Q_OBJECT
public:
    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;

    // The statement sequences every window runs through the data module.
    // query := a new statement of these lines, opened.
    void Reopen(engine::Query* query, const QStringList& lines);
    // Where a query stands, to come back to once it was read anew: its
    // order and its current record (by id).
    struct Place {
        QString order;
        qint64 id = -1;
    };
    Place PlaceOf(const engine::Query* query) const;
    // The order put back, and the record current again when it is there.
    void ReturnTo(engine::Query* query, const Place& place);
    // query opened anew on its statement, its order and current record kept.
    void ReadAgain(engine::Query* query);
    // Runs one statement of these lines that returns no rows, on aqMain.
    void Execute(const QStringList& lines);
    // Whether the SELECT of these lines yields any row; no query is moved.
    bool HasRows(const QStringList& lines);
    // The connection, closed first, opened again on the file at path: for
    // writing, or only to read.
    void ConnectTo(const QString& path, engine::OpenMode mode);
    // Whether the catalogue was last opened only to read.
    bool ReadOnly() const { return ADOConnection->openMode() == engine::OpenMode::ReadOnly; }
    // What else a change must do, done in its own transaction by whoever
    // asked while owner lives: each change of an item of aqMain, and each
    // item table renamed or removed (the table manager tells these).
    using ItemObserver = std::function<void(const engine::RowChange&)>;
    using TableObserver = std::function<void(const TableChange&)>;
    void AddItemObserver(QObject* owner, ItemObserver observer);
    void AddTableObserver(QObject* owner, TableObserver observer);
    // Asked before each insert or edit of an item is written, while owner
    // lives: it may refuse the change by throwing (nothing is written).
    void AddItemGuard(QObject* owner, ItemObserver guard);
    // Changes of items made through another query than aqMain (of any item
    // table) observed as aqMain's are.
    void ObserveItemWrites(engine::Query* items);
    void TableRenamed(const QString& from, const QString& to);
    void TableRemoving(const QString& table);

    // The contacts of aqContacts by their id.
    shape::ContactDirectory* Contacts;

    engine::Connection* ADOConnection;
    engine::Query* aqMain;
    DataSource* dsMain;
    engine::Query* aqContacts;
    DataSource* dsContacts;

private:
    // An item or contact deleted takes its code with it.
    void ForgetCodeOfDeleted(const engine::RowChange& change);
    template <class Observer> struct Observed {
        QPointer<QObject> owner;
        Observer observer;
    };
    std::vector<Observed<ItemObserver>> m_itemObservers;
    std::vector<Observed<TableObserver>> m_tableObservers;
    std::vector<Observed<ItemObserver>> m_itemGuards;
    SingleInstance<TDM> m_instance{DM, this};
};

// "Provider=...;Data Source=" + path + ";Persist Security Info=False"
QString ConnectionStringFor(const QString& path);
