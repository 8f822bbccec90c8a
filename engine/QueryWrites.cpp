// Posting inserts and edits, deleting rows, and keeping the snapshot in step.
#include "engine/Query.h"

#include "engine/Connection.h"
#include "engine/Dialect.h"
#include "engine/EngineError.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace engine {

namespace {

// Binds a value to a statement parameter (1-based).
void bindValue(sqlite3_stmt* stmt, int index, const Query::Value& v) {
    if (std::holds_alternative<int64_t>(v))
        sqlite3_bind_int64(stmt, index, std::get<int64_t>(v));
    else if (std::holds_alternative<double>(v))
        sqlite3_bind_double(stmt, index, std::get<double>(v));
    else if (std::holds_alternative<QString>(v)) {
        const QByteArray utf8 = std::get<QString>(v).toUtf8();
        sqlite3_bind_text(stmt, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    } else
        sqlite3_bind_null(stmt, index);
}

} // namespace

int Query::keyFieldIndex() const {
    for (int f = 0; f < m_fields.size(); ++f)
        if (m_fields[f].kind == FieldKind::AutoIncrement)
            return f;
    return -1;
}

void Query::writeObserved(const std::function<bool()>& write, const RowChange& change) {
    if (!m_observer) {
        write();
        return;
    }
    const bool own = !m_connection->inTransaction();
    if (own)
        m_connection->beginTransaction();
    try {
        if (write())
            m_observer(change);
        if (own)
            m_connection->commit();
    } catch (...) {
        if (own)
            m_connection->rollback();
        throw;
    }
}

void Query::post(int reason) {
    requireEditing();
    if (m_baseTable.isEmpty())
        raise(QStringLiteral("Запрос не связан с таблицей: запись не может быть сохранена"));
    const bool inserting = m_state == State::Insert;
    bool changed = false;
    RowChange change{inserting ? RowChange::Kind::Insert : RowChange::Kind::Update,
                     this,
                     inserting ? std::vector<Value>() : m_original,
                     {},
                     reason};
    if (m_guard) {
        change.after = m_pending;
        m_guard(change);
    }
    writeObserved(
        [&] {
            changed = inserting ? (postInsert(), true) : postEdit();
            change.after = m_pending; // with the new id of an insert
            return changed;
        },
        change);
    if (inserting)
        addToSnapshot();
    else if (changed)
        storeInSnapshot(m_order[m_current], m_pending);
    // Back in browse state before anyone hears of the change, so a listener
    // that moves the record can't post it again.
    m_pending.clear();
    m_original.clear();
    setState(State::Browse);
    if (inserting) {
        emit rowsReset();
        emit currentRowChanged(m_current);
    } else if (changed) {
        emit rowChanged(m_current);
    }
}

void Query::postInsert() {
    QStringList names, marks;
    std::vector<int> bound;
    for (int f = 0; f < m_fields.size(); ++f) {
        const FieldDef& d = m_fields[f];
        if (!d.isData() || d.kind == FieldKind::AutoIncrement)
            continue;
        names << quotedIdentifier(d.name);
        marks << QStringLiteral("?");
        bound.push_back(f);
    }
    const QString sql = names.isEmpty()
                            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quotedIdentifier(m_baseTable))
                            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(quotedIdentifier(m_baseTable), names.join(u','), marks.join(u','));
    int rc;
    {
        const Statement stmt = m_connection->prepare(sql.toUtf8());
        for (size_t k = 0; k < bound.size(); ++k)
            bindValue(stmt.get(), static_cast<int>(k + 1), m_pending[bound[k]]);
        rc = sqlite3_step(stmt.get());
    }
    if (rc != SQLITE_DONE)
        m_connection->fail(rc);
    const int key = keyFieldIndex();
    if (key >= 0)
        m_pending[key] = static_cast<int64_t>(sqlite3_last_insert_rowid(m_connection->requireHandle()));
}

void Query::addToSnapshot() {
    appendToSnapshot(m_pending);
    const int at = m_current < 0 ? 0 : m_current;
    m_order.insert(m_order.begin() + at, static_cast<uint32_t>(m_snapshot.rowCount() - 1));
    m_current = at;
}

bool Query::postEdit() {
    const int key = keyFieldIndex();
    if (key < 0 || std::holds_alternative<std::monostate>(m_original[key]))
        raise(QStringLiteral("Запись без ключевого поля не может быть изменена"));
    QStringList sets, checks;
    std::vector<Value> values;
    for (int f = 0; f < m_fields.size(); ++f) {
        if (!m_fields[f].isData() || f == key || m_pending[f] == m_original[f])
            continue;
        sets << quotedIdentifier(m_fields[f].name) + QStringLiteral("=?");
        values.push_back(m_pending[f]);
    }
    if (sets.isEmpty())
        return false;
    // The row must still hold what was read: otherwise another program
    // changed or deleted it, and its work must not be overwritten.
    checks << quotedIdentifier(m_fields[key].name) + QStringLiteral("=?");
    values.push_back(m_original[key]);
    for (int f = 0; f < m_fields.size(); ++f) {
        if (!m_fields[f].isData() || f == key)
            continue;
        checks << quotedIdentifier(m_fields[f].name) + QStringLiteral(" IS ?");
        values.push_back(m_original[f]);
    }
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                            .arg(quotedIdentifier(m_baseTable), sets.join(u','), checks.join(QStringLiteral(" AND ")));
    int rc;
    {
        const Statement stmt = m_connection->prepare(sql.toUtf8());
        for (size_t k = 0; k < values.size(); ++k)
            bindValue(stmt.get(), static_cast<int>(k + 1), values[k]);
        rc = sqlite3_step(stmt.get());
    }
    if (rc != SQLITE_DONE)
        m_connection->fail(rc);
    if (sqlite3_changes(m_connection->requireHandle()) == 0)
        throw EngineError(changedElsewhereText());
    return true;
}

QString Query::changedElsewhereText() const {
    // A record is known by its first text (an item's title, a contact's name).
    QString known;
    for (int f = 0; f < m_fields.size() && known.isEmpty(); ++f)
        if (m_fields[f].isData() && f != keyFieldIndex())
            if (const auto* text = std::get_if<QString>(&m_original[f]))
                known = *text;
    const QString record = known.isEmpty() ? QStringLiteral("Запись") : QStringLiteral("Запись «%1»").arg(known);
    return QStringLiteral("%1 таблицы '%2' каталога '%3' изменена или удалена другой программой, пока была открыта "
                          "здесь; ваши изменения не сохранены")
        .arg(record, m_baseTable, QFileInfo(m_connection->dataSource()).fileName());
}

void Query::deleteRecord() {
    requireOpen();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    cancel();
    if (m_current < 0)
        raise(QStringLiteral("Cannot perform this operation on an empty dataset"));
    const int key = keyFieldIndex();
    if (key < 0 || m_baseTable.isEmpty())
        raise(QStringLiteral("Запись без ключевого поля не может быть удалена"));
    const Value id = storedValue(m_order[m_current], key);
    RowChange change{RowChange::Kind::Delete, this, {}, {}, 0};
    if (m_observer)
        for (int f = 0; f < m_fields.size(); ++f)
            change.before.push_back(m_fields[f].isData() ? storedValue(m_order[m_current], f) : Value());
    writeObserved(
        [&] {
            int rc;
            {
                const Statement stmt =
                    m_connection->prepare(QStringLiteral("DELETE FROM %1 WHERE %2=?")
                                              .arg(quotedIdentifier(m_baseTable), quotedIdentifier(m_fields[key].name))
                                              .toUtf8());
                bindValue(stmt.get(), 1, id);
                rc = sqlite3_step(stmt.get());
            }
            if (rc != SQLITE_DONE)
                m_connection->fail(rc);
            return true;
        },
        change);
    m_order.erase(m_order.begin() + m_current);
    if (m_current >= recordCount())
        m_current = recordCount() - 1;
    emit rowsReset();
    emit currentRowChanged(m_current);
}

void Query::appendToSnapshot(const std::vector<Value>& row) {
    for (int f = 0; f < m_fields.size(); ++f) {
        const int c = dataColumnOf(f);
        if (c < 0)
            continue;
        const Value& v = row[f];
        if (std::holds_alternative<std::monostate>(v))
            m_snapshot.appendNull(c);
        else if (std::holds_alternative<int64_t>(v))
            m_snapshot.appendInteger(c, std::get<int64_t>(v));
        else if (std::holds_alternative<double>(v))
            m_snapshot.appendReal(c, std::get<double>(v));
        else
            m_snapshot.appendText(c, std::get<QString>(v).toStdString());
    }
    m_snapshot.finishRow();
}

void Query::storeInSnapshot(uint32_t storageRow, const std::vector<Value>& row) {
    for (int f = 0; f < m_fields.size(); ++f) {
        const int c = dataColumnOf(f);
        if (c < 0)
            continue;
        const Value& v = row[f];
        if (std::holds_alternative<std::monostate>(v))
            m_snapshot.setNull(storageRow, c);
        else if (std::holds_alternative<int64_t>(v))
            m_snapshot.setInteger(storageRow, c, std::get<int64_t>(v));
        else if (std::holds_alternative<double>(v))
            m_snapshot.setReal(storageRow, c, std::get<double>(v));
        else
            m_snapshot.setText(storageRow, c, std::get<QString>(v).toStdString());
    }
}

} // namespace engine
