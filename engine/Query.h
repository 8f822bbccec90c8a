#pragma once
// A dataset over one statement: open keeps a static snapshot of the whole
// result with the first row current; records are inserted, edited, posted,
// cancelled and deleted through it, each write going at once to the table
// named after FROM, by id. Edits are optimistic: a row that another program
// changed since it was read is not overwritten.
#include "engine/FieldDef.h"
#include "engine/Snapshot.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3_stmt;

namespace engine {

class Connection;
class Query;

// A row written through a query: what it held before (empty for an insert)
// and what it holds after (empty for a delete), by field index.
struct RowChange {
    enum class Kind { Insert, Update, Delete };
    Kind kind;
    const Query* query;
    std::vector<std::variant<std::monostate, int64_t, double, QString>> before, after;
    // Why the change was made, in the caller's terms (0: an edit); an
    // observer reads it, the engine does not.
    int reason = 0;
};

// A handle on one field of a query's current record.
class Field {
public:
    Field(Query* query, int index) : m_query(query), m_index(index) {}
    const FieldDef& def() const;
    QString name() const { return def().name; }
    int index() const { return m_index; }

    bool isNull() const;
    QString asString() const;
    int64_t asInteger() const;
    double asFloat() const;
    QVariant value() const;

    void setAsString(const QString& v);
    void setAsInteger(int64_t v);
    void setAsFloat(double v);
    void clear();

private:
    Query* m_query;
    int m_index;
};

class Query : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Insert, Edit };
    using Value = std::variant<std::monostate, int64_t, double, QString>;

    Query(Connection* connection, const QString& name, QObject* parent = nullptr);
    ~Query() override;

    QString name() const { return objectName(); }
    Connection* connection() const { return m_connection; }

    // The statement: lines, each ended by a line break. Changing it closes the query.
    void clearSql();
    void addSql(const QString& line);
    QString sqlText() const;
    QStringList sqlLines() const { return m_sql; }

    // Declared fields; without them the fields follow the result's columns.
    void setFieldDefs(const QList<FieldDef>& defs);
    const QList<FieldDef>& fields() const { return m_fields; }
    int fieldIndex(const QString& name) const;
    Field fieldByName(const QString& name);
    Field field(int index) { return Field(this, index); }

    void open();
    void close();
    bool isOpen() const { return m_state != State::Inactive; }
    void execSQL();

    State state() const { return m_state; }
    int recordCount() const { return static_cast<int>(m_order.size()); }
    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    void first() { setCurrentRow(0); }
    void last() { setCurrentRow(recordCount() - 1); }
    void next() {
        if (m_current + 1 < recordCount())
            setCurrentRow(m_current + 1);
    }
    void prior() {
        if (m_current > 0)
            setCurrentRow(m_current - 1);
    }

    void insert();
    void edit();
    // reason travels with the change to the write observer.
    void post(int reason = 0);
    void cancel();
    void deleteRecord();

    // "field ASC" or "field DESC": reorders the open result only.
    void sort(const QString& order);
    QString sortOrder() const { return m_sortOrder; }

    static QVariant toVariant(const Value& v); // Null as an invalid QVariant

    // Values of any row, for painting without moving the current record.
    bool isNull(int row, int fieldIndex) const;
    QVariant value(int row, int fieldIndex) const;
    int64_t integerValue(int row, int fieldIndex) const;
    double realValue(int row, int fieldIndex) const;
    QString textValue(int row, int fieldIndex) const;
    // The stored UTF-8 of a text value; nothing for Null, numbers and
    // lookups. For writers that need no QString.
    std::optional<std::string_view> storedText(int row, int fieldIndex) const;

    // Called with every insert, edit and delete this query writes, in the
    // same transaction: what it writes stays or goes with the change, and
    // when it throws the change is not made at all.
    using WriteObserver = std::function<void(const RowChange&)>;
    void setWriteObserver(WriteObserver observer) { m_observer = std::move(observer); }
    // Called with each insert and edit before anything is written (no
    // transaction open, so it may ask the user): when it throws, nothing is
    // written and the record stays as it was being edited.
    void setPostGuard(WriteObserver guard) { m_guard = std::move(guard); }

    // The table that posts and deletes write to.
    QString baseTable() const { return m_baseTable; }
    size_t snapshotMemory() const { return m_snapshot.memoryUse() + m_order.capacity() * sizeof(uint32_t); }

signals:
    void opened();
    void closed();
    void rowsReset();         // rows added, removed, reordered or replaced
    void rowChanged(int row); // one row's values changed
    void currentRowChanged(int row);
    void stateChanged();

private:
    friend class Field;
    [[noreturn]] void raise(const QString& message) const;
    // Why an edit over a row another program changed is refused, naming the
    // record, its table and the catalogue.
    QString changedElsewhereText() const;
    void requireOpen() const;
    void requireEditing() const;
    Value storedValue(uint32_t storageRow, int fieldIndex) const;
    template <class Number> Number numberValue(int row, int fieldIndex) const;
    Value currentValue(int fieldIndex) const;
    void setPending(int fieldIndex, Value v);
    QString lookupText(const Value& key, int fieldIndex) const;
    void invalidateLookups();
    // The fields as the statement's result declares them (a query without
    // fields of its own).
    void takeFieldsOf(sqlite3_stmt* stmt);
    // Each data field bound to the result column of its name: the column
    // read into each snapshot column, and its storage.
    void bindDataFields(sqlite3_stmt* stmt, std::vector<int>& resultColumn, std::vector<Snapshot::Storage>& storages);
    void appendToSnapshot(const std::vector<Value>& row);
    void storeInSnapshot(uint32_t storageRow, const std::vector<Value>& row);
    void postInsert();
    void addToSnapshot(); // the posted insert, at the current row
    bool postEdit();      // false when nothing changed
    // Runs write, and the observer with change, in one transaction when
    // there is an observer (joining the caller's when one is open).
    void writeObserved(const std::function<bool()>& write, const RowChange& change);
    int dataColumnOf(int fieldIndex) const { return m_columnOfField[fieldIndex]; }
    int keyFieldIndex() const;
    void setState(State s);

    Connection* m_connection;
    QStringList m_sql;
    QList<FieldDef> m_declared;
    QList<FieldDef> m_fields;
    std::vector<int> m_columnOfField; // snapshot column of each data field, -1 for lookups
    Snapshot m_snapshot;
    std::vector<uint32_t> m_order; // view row -> snapshot row
    int m_current = -1;
    State m_state = State::Inactive;
    std::vector<Value> m_pending;  // the record being inserted or edited
    std::vector<Value> m_original; // the edited record as it was read
    QString m_baseTable;
    QString m_sortOrder;
    WriteObserver m_observer;
    WriteObserver m_guard;
    mutable QHash<int, QHash<int64_t, QString>> m_lookupCache; // per lookup field
    mutable QHash<int, bool> m_lookupValid;
};

// Cuts text to at most n characters (code points), never splitting a pair.
QString cutToCharacters(const QString& text, int n);

} // namespace engine
