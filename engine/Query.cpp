#include "engine/Query.h"

#include "engine/Connection.h"
#include "engine/Dialect.h"
#include "engine/EngineError.h"
#include "engine/Sorting.h"

#include <sqlite3.h>

namespace engine {
namespace {

Snapshot::Storage storageOf(FieldKind kind) {
    switch (kind) {
    case FieldKind::AutoIncrement:
    case FieldKind::Integer:
    case FieldKind::Word:
        return Snapshot::Storage::Integer;
    case FieldKind::DateTime:
        return Snapshot::Storage::Real;
    default:
        return Snapshot::Storage::Text;
    }
}

FieldKind kindOfDeclared(const char* declared, bool primaryKey) {
    const QString t = QString::fromUtf8(declared ? declared : "").toUpper();
    if (t.contains(QLatin1String("INT")))
        return primaryKey ? FieldKind::AutoIncrement : FieldKind::Integer;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("DATE")) || t.contains(QLatin1String("FLOA"))
        || t.contains(QLatin1String("DOUB")))
        return FieldKind::DateTime;
    return FieldKind::Text;
}

// "VARCHAR(50)" -> 50; 0 when the type names no size.
int declaredSize(const char* declared) {
    const QString t = QString::fromUtf8(declared ? declared : "");
    const qsizetype open = t.indexOf(u'('), close = t.indexOf(u')');
    return open >= 0 && close > open ? t.mid(open + 1, close - open - 1).trimmed().toInt() : 0;
}

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

QString quotedName(const QString& name) { return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"'; }

} // namespace

QString cutToCharacters(const QString& text, int n) {
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (count == n)
            return text.left(i);
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        ++count;
    }
    return text;
}

// ---- Field ----

const FieldDef& Field::def() const { return m_query->m_fields[m_index]; }

bool Field::isNull() const {
    const FieldDef& d = def();
    if (d.kind == FieldKind::Lookup)
        return asString().isEmpty();
    return std::holds_alternative<std::monostate>(m_query->currentValue(m_index));
}

QVariant Field::value() const {
    if (def().kind == FieldKind::Lookup)
        return asString();
    const Query::Value v = m_query->currentValue(m_index);
    if (std::holds_alternative<int64_t>(v)) return QVariant::fromValue<qlonglong>(std::get<int64_t>(v));
    if (std::holds_alternative<double>(v)) return std::get<double>(v);
    if (std::holds_alternative<QString>(v)) return std::get<QString>(v);
    return {};
}

QString Field::asString() const {
    const FieldDef& d = def();
    if (d.kind == FieldKind::Lookup) {
        const int key = m_query->fieldIndex(d.keyField);
        return key < 0 ? QString() : m_query->lookupText(m_query->currentValue(key), m_index);
    }
    const Query::Value v = m_query->currentValue(m_index);
    if (std::holds_alternative<int64_t>(v)) return QString::number(std::get<int64_t>(v));
    if (std::holds_alternative<double>(v)) return QString::number(std::get<double>(v), 'g', 17);
    if (std::holds_alternative<QString>(v)) return std::get<QString>(v);
    return {};
}

int64_t Field::asInteger() const {
    const Query::Value v = m_query->currentValue(m_index);
    if (std::holds_alternative<int64_t>(v)) return std::get<int64_t>(v);
    if (std::holds_alternative<double>(v)) return static_cast<int64_t>(std::get<double>(v));
    if (std::holds_alternative<QString>(v)) return std::get<QString>(v).toLongLong();
    return 0;
}

double Field::asFloat() const {
    const Query::Value v = m_query->currentValue(m_index);
    if (std::holds_alternative<int64_t>(v)) return static_cast<double>(std::get<int64_t>(v));
    if (std::holds_alternative<double>(v)) return std::get<double>(v);
    if (std::holds_alternative<QString>(v)) return std::get<QString>(v).toDouble();
    return 0;
}

void Field::setAsString(const QString& v) {
    const FieldDef& d = def();
    switch (d.kind) {
    case FieldKind::Text:
        m_query->setPending(m_index, d.size > 0 ? cutToCharacters(v, d.size) : v);
        return;
    case FieldKind::DateTime: {
        bool ok = false;
        const double number = v.trimmed().toDouble(&ok);
        if (v.trimmed().isEmpty()) clear();
        else if (ok) setAsFloat(number);
        else m_query->raise(QStringLiteral("'%1' не является датой").arg(v));
        return;
    }
    default: {
        bool ok = false;
        const qlonglong number = v.trimmed().toLongLong(&ok);
        if (v.trimmed().isEmpty()) clear();
        else if (ok) setAsInteger(number);
        else m_query->raise(QStringLiteral("'%1' не является целым числом").arg(v));
    }
    }
}

void Field::setAsInteger(int64_t v) {
    const FieldDef& d = def();
    if (d.kind == FieldKind::Text) setAsString(QString::number(v));
    else if (d.kind == FieldKind::DateTime) m_query->setPending(m_index, static_cast<double>(v));
    else m_query->setPending(m_index, v);
}

void Field::setAsFloat(double v) {
    const FieldDef& d = def();
    if (d.kind == FieldKind::DateTime) m_query->setPending(m_index, v);
    else if (d.kind == FieldKind::Text) setAsString(QString::number(v, 'g', 17));
    else m_query->setPending(m_index, static_cast<int64_t>(v));
}

void Field::clear() { m_query->setPending(m_index, std::monostate{}); }

// ---- Query ----

Query::Query(Connection* connection, const QString& name, QObject* parent) : QObject(parent), m_connection(connection) {
    setObjectName(name);
    connect(connection, &Connection::aboutToClose, this, &Query::close);
}

Query::~Query() = default;

void Query::raise(const QString& message) const { throw EngineError(name() + QStringLiteral(": ") + message); }

void Query::requireOpen() const {
    if (m_state == State::Inactive)
        raise(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void Query::requireEditing() const {
    if (m_state != State::Insert && m_state != State::Edit)
        raise(QStringLiteral("Dataset not in edit or insert mode"));
}

void Query::clearSql() {
    close();
    m_sql.clear();
}

void Query::addSql(const QString& line) {
    close();
    m_sql.append(line);
}

QString Query::sqlText() const {
    QString text;
    for (const QString& line : m_sql)
        text += line + u'\n';
    return text;
}

void Query::setFieldDefs(const QList<FieldDef>& defs) {
    close();
    for (const FieldDef& d : std::as_const(m_declared))
        if (d.lookupDataset) disconnect(d.lookupDataset, nullptr, this, nullptr);
    m_declared = defs;
    m_fields = defs;
    for (const FieldDef& d : defs) {
        if (d.kind != FieldKind::Lookup || !d.lookupDataset)
            continue;
        connect(d.lookupDataset, &Query::rowsReset, this, &Query::invalidateLookups);
        connect(d.lookupDataset, &Query::rowChanged, this, &Query::invalidateLookups);
        connect(d.lookupDataset, &Query::closed, this, &Query::invalidateLookups);
    }
}

int Query::fieldIndex(const QString& name) const {
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Field Query::fieldByName(const QString& name) {
    const int index = fieldIndex(name);
    if (index < 0)
        raise(QStringLiteral("Field '%1' not found").arg(name));
    return Field(this, index);
}

void Query::setState(State s) {
    if (m_state == s)
        return;
    m_state = s;
    emit stateChanged();
}

void Query::open() {
    close();
    const RewrittenStatement r =
        rewriteStatement(sqlText(), [this](const QString& n) { return m_connection->resolveTable(n); });
    sqlite3_stmt* stmt = m_connection->prepare(r.sql.toUtf8());
    const int columns = sqlite3_column_count(stmt);
    if (columns == 0) {
        sqlite3_finalize(stmt);
        raise(QStringLiteral("Запрос не возвращает данных"));
    }

    if (m_declared.isEmpty()) {
        m_fields.clear();
        for (int c = 0; c < columns; ++c) {
            FieldDef d;
            d.name = QString::fromUtf8(sqlite3_column_name(stmt, c));
            const char* declared = sqlite3_column_decltype(stmt, c);
            d.kind = kindOfDeclared(declared, d.name.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0);
            d.size = declaredSize(declared);
            m_fields.append(d);
        }
    }
    // Bind the declared data fields to the result's columns by name.
    std::vector<int> resultColumn;
    std::vector<Snapshot::Storage> storages;
    m_columnOfField.assign(m_fields.size(), -1);
    for (int f = 0; f < m_fields.size(); ++f) {
        const FieldDef& d = m_fields[f];
        if (!d.isData())
            continue;
        int found = -1;
        for (int c = 0; c < columns && found < 0; ++c)
            if (d.name.compare(QString::fromUtf8(sqlite3_column_name(stmt, c)), Qt::CaseInsensitive) == 0)
                found = c;
        if (found < 0) {
            sqlite3_finalize(stmt);
            raise(QStringLiteral("Field '%1' not found").arg(d.label()));
        }
        m_columnOfField[f] = static_cast<int>(resultColumn.size());
        resultColumn.push_back(found);
        storages.push_back(storageOf(d.kind));
    }

    m_snapshot.reset(storages);
    int rc;
    const size_t count = resultColumn.size();
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (size_t k = 0; k < count; ++k) {
            // One column call per cell; the value calls that follow are cheap.
            sqlite3_value* v = sqlite3_column_value(stmt, resultColumn[k]);
            if (sqlite3_value_type(v) == SQLITE_NULL) {
                m_snapshot.appendNull(k);
                continue;
            }
            switch (storages[k]) {
            case Snapshot::Storage::Integer: m_snapshot.appendInteger(k, sqlite3_value_int64(v)); break;
            case Snapshot::Storage::Real: m_snapshot.appendReal(k, sqlite3_value_double(v)); break;
            case Snapshot::Storage::Text: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
                m_snapshot.appendText(k, std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(v))));
                break;
            }
            }
        }
        m_snapshot.finishRow();
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        m_snapshot.reset({});
        m_connection->fail(rc);
    }
    m_order.resize(m_snapshot.rowCount());
    for (uint32_t i = 0; i < m_order.size(); ++i)
        m_order[i] = i;
    m_order.shrink_to_fit();
    m_baseTable = r.firstTable;
    m_sortSpec.clear();
    m_current = m_order.empty() ? -1 : 0;
    invalidateLookups();
    setState(State::Browse);
    emit opened();
    emit rowsReset();
    emit currentRowChanged(m_current);
}

void Query::close() {
    if (m_state == State::Inactive)
        return;
    m_pending.clear();
    m_original.clear();
    m_snapshot.reset({});
    m_order.clear();
    m_order.shrink_to_fit();
    m_current = -1;
    m_sortSpec.clear();
    setState(State::Inactive);
    emit closed();
    emit rowsReset();
    emit currentRowChanged(-1);
}

void Query::execSQL() {
    close();
    m_connection->execute(sqlText());
}

void Query::setCurrentRow(int row) {
    requireOpen();
    if (m_order.empty())
        row = -1;
    else
        row = std::clamp(row, 0, recordCount() - 1);
    if (row == m_current)
        return;
    if (m_state == State::Insert || m_state == State::Edit)
        post();
    m_current = row;
    emit currentRowChanged(m_current);
}

Query::Value Query::storedValue(uint32_t storageRow, int fieldIndex) const {
    const int c = dataColumnOf(fieldIndex);
    if (c < 0 || m_snapshot.isNull(storageRow, c))
        return std::monostate{};
    switch (m_snapshot.storage(c)) {
    case Snapshot::Storage::Integer: return m_snapshot.integer(storageRow, c);
    case Snapshot::Storage::Real: return m_snapshot.real(storageRow, c);
    default: {
        const std::string_view t = m_snapshot.text(storageRow, c);
        return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
    }
    }
}

Query::Value Query::currentValue(int fieldIndex) const {
    requireOpen();
    if (m_state == State::Insert || m_state == State::Edit)
        return m_pending[fieldIndex];
    if (m_current < 0)
        return std::monostate{};
    return storedValue(m_order[m_current], fieldIndex);
}

void Query::setPending(int fieldIndex, Value v) {
    requireEditing();
    const FieldDef& d = m_fields[fieldIndex];
    if (d.kind == FieldKind::Lookup || d.readOnly || d.kind == FieldKind::AutoIncrement)
        raise(QStringLiteral("Field '%1' cannot be modified").arg(d.label()));
    m_pending[fieldIndex] = std::move(v);
}

void Query::insert() {
    requireOpen();
    if (m_state == State::Insert || m_state == State::Edit)
        post();
    m_pending.assign(m_fields.size(), std::monostate{});
    m_original.clear();
    setState(State::Insert);
}

void Query::edit() {
    requireOpen();
    if (m_state == State::Insert || m_state == State::Edit)
        return;
    if (m_current < 0) { // nothing to edit: a new record instead
        insert();
        return;
    }
    m_pending.resize(m_fields.size());
    for (int f = 0; f < m_fields.size(); ++f)
        m_pending[f] = storedValue(m_order[m_current], f);
    m_original = m_pending;
    setState(State::Edit);
}

void Query::cancel() {
    if (m_state != State::Insert && m_state != State::Edit)
        return;
    m_pending.clear();
    m_original.clear();
    setState(State::Browse);
}

int Query::keyFieldIndex() const {
    for (int f = 0; f < m_fields.size(); ++f)
        if (m_fields[f].kind == FieldKind::AutoIncrement)
            return f;
    return -1;
}

void Query::post() {
    requireEditing();
    if (m_baseTable.isEmpty())
        raise(QStringLiteral("Запрос не связан с таблицей: запись не может быть сохранена"));
    if (m_state == State::Insert) postInsert();
    else postEdit();
    m_pending.clear();
    m_original.clear();
    setState(State::Browse);
}

void Query::postInsert() {
    QStringList names, marks;
    std::vector<int> bound;
    for (int f = 0; f < m_fields.size(); ++f) {
        const FieldDef& d = m_fields[f];
        if (!d.isData() || d.kind == FieldKind::AutoIncrement)
            continue;
        names << quotedName(d.name);
        marks << QStringLiteral("?");
        bound.push_back(f);
    }
    const QString sql = names.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quotedName(m_baseTable))
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(quotedName(m_baseTable), names.join(u','), marks.join(u','));
    sqlite3_stmt* stmt = m_connection->prepare(sql.toUtf8());
    for (size_t k = 0; k < bound.size(); ++k)
        bindValue(stmt, static_cast<int>(k + 1), m_pending[bound[k]]);
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        m_connection->fail(rc);
    const int key = keyFieldIndex();
    if (key >= 0)
        m_pending[key] = static_cast<int64_t>(sqlite3_last_insert_rowid(m_connection->requireHandle()));

    appendToSnapshot(m_pending);
    const int at = m_current < 0 ? 0 : m_current;
    m_order.insert(m_order.begin() + at, static_cast<uint32_t>(m_snapshot.rowCount() - 1));
    m_current = at;
    emit rowsReset();
    emit currentRowChanged(m_current);
}

void Query::postEdit() {
    const int key = keyFieldIndex();
    if (key < 0 || std::holds_alternative<std::monostate>(m_original[key]))
        raise(QStringLiteral("Запись без ключевого поля не может быть изменена"));
    QStringList sets, checks;
    std::vector<Value> values;
    for (int f = 0; f < m_fields.size(); ++f) {
        if (!m_fields[f].isData() || f == key || m_pending[f] == m_original[f])
            continue;
        sets << quotedName(m_fields[f].name) + QStringLiteral("=?");
        values.push_back(m_pending[f]);
    }
    if (sets.isEmpty())
        return;
    // The row must still hold what was read: otherwise another program
    // changed or deleted it, and its work must not be overwritten.
    checks << quotedName(m_fields[key].name) + QStringLiteral("=?");
    values.push_back(m_original[key]);
    for (int f = 0; f < m_fields.size(); ++f) {
        if (!m_fields[f].isData() || f == key)
            continue;
        checks << quotedName(m_fields[f].name) + QStringLiteral(" IS ?");
        values.push_back(m_original[f]);
    }
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                            .arg(quotedName(m_baseTable), sets.join(u','), checks.join(QStringLiteral(" AND ")));
    sqlite3_stmt* stmt = m_connection->prepare(sql.toUtf8());
    for (size_t k = 0; k < values.size(); ++k)
        bindValue(stmt, static_cast<int>(k + 1), values[k]);
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        m_connection->fail(rc);
    if (sqlite3_changes(m_connection->requireHandle()) == 0)
        raise(QStringLiteral("Запись изменена или удалена другой программой после чтения; изменения не сохранены"));
    storeInSnapshot(m_order[m_current], m_pending);
    emit rowChanged(m_current);
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
    sqlite3_stmt* stmt = m_connection->prepare(
        QStringLiteral("DELETE FROM %1 WHERE %2=?").arg(quotedName(m_baseTable), quotedName(m_fields[key].name)).toUtf8());
    bindValue(stmt, 1, id);
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        m_connection->fail(rc);
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
        if (std::holds_alternative<std::monostate>(v)) m_snapshot.appendNull(c);
        else if (std::holds_alternative<int64_t>(v)) m_snapshot.appendInteger(c, std::get<int64_t>(v));
        else if (std::holds_alternative<double>(v)) m_snapshot.appendReal(c, std::get<double>(v));
        else m_snapshot.appendText(c, std::get<QString>(v).toStdString());
    }
    m_snapshot.finishRow();
}

void Query::storeInSnapshot(uint32_t storageRow, const std::vector<Value>& row) {
    for (int f = 0; f < m_fields.size(); ++f) {
        const int c = dataColumnOf(f);
        if (c < 0)
            continue;
        const Value& v = row[f];
        if (std::holds_alternative<std::monostate>(v)) m_snapshot.setNull(storageRow, c);
        else if (std::holds_alternative<int64_t>(v)) m_snapshot.setInteger(storageRow, c, std::get<int64_t>(v));
        else if (std::holds_alternative<double>(v)) m_snapshot.setReal(storageRow, c, std::get<double>(v));
        else m_snapshot.setText(storageRow, c, std::get<QString>(v).toStdString());
    }
}

bool Query::isNull(int row, int fieldIndex) const {
    if (m_fields[fieldIndex].kind == FieldKind::Lookup)
        return textValue(row, fieldIndex).isEmpty();
    const int c = dataColumnOf(fieldIndex);
    return c < 0 || m_snapshot.isNull(m_order[row], c);
}

QVariant Query::value(int row, int fieldIndex) const {
    if (m_fields[fieldIndex].kind == FieldKind::Lookup)
        return textValue(row, fieldIndex);
    const Value v = storedValue(m_order[row], fieldIndex);
    if (std::holds_alternative<int64_t>(v)) return QVariant::fromValue<qlonglong>(std::get<int64_t>(v));
    if (std::holds_alternative<double>(v)) return std::get<double>(v);
    if (std::holds_alternative<QString>(v)) return std::get<QString>(v);
    return {};
}

int64_t Query::integerValue(int row, int fieldIndex) const {
    const int c = dataColumnOf(fieldIndex);
    const uint32_t r = m_order[row];
    if (c < 0 || m_snapshot.isNull(r, c)) return 0;
    if (m_snapshot.storage(c) == Snapshot::Storage::Real) return static_cast<int64_t>(m_snapshot.real(r, c));
    return m_snapshot.storage(c) == Snapshot::Storage::Integer ? m_snapshot.integer(r, c) : 0;
}

double Query::realValue(int row, int fieldIndex) const {
    const int c = dataColumnOf(fieldIndex);
    const uint32_t r = m_order[row];
    if (c < 0 || m_snapshot.isNull(r, c)) return 0;
    if (m_snapshot.storage(c) == Snapshot::Storage::Integer) return static_cast<double>(m_snapshot.integer(r, c));
    return m_snapshot.storage(c) == Snapshot::Storage::Real ? m_snapshot.real(r, c) : 0;
}

QString Query::textValue(int row, int fieldIndex) const {
    const FieldDef& d = m_fields[fieldIndex];
    if (d.kind == FieldKind::Lookup) {
        const int key = fieldIndex >= 0 ? this->fieldIndex(d.keyField) : -1;
        return key < 0 ? QString() : lookupText(storedValue(m_order[row], key), fieldIndex);
    }
    const Value v = storedValue(m_order[row], fieldIndex);
    if (std::holds_alternative<QString>(v)) return std::get<QString>(v);
    if (std::holds_alternative<int64_t>(v)) return QString::number(std::get<int64_t>(v));
    if (std::holds_alternative<double>(v)) return QString::number(std::get<double>(v), 'g', 17);
    return {};
}

QString Query::lookupText(const Value& key, int fieldIndex) const {
    if (!std::holds_alternative<int64_t>(key) && !std::holds_alternative<double>(key))
        return {};
    const int64_t id = std::holds_alternative<int64_t>(key) ? std::get<int64_t>(key)
                                                           : static_cast<int64_t>(std::get<double>(key));
    const FieldDef& d = m_fields[fieldIndex];
    Query* source = d.lookupDataset;
    if (!source || !source->isOpen())
        return {};
    if (!m_lookupValid.value(fieldIndex)) {
        // Built once per change of the lookup source, not per painted row.
        QHash<int64_t, QString>& map = m_lookupCache[fieldIndex];
        map.clear();
        const int keyField = source->fieldIndex(d.lookupKeyField);
        const int resultField = source->fieldIndex(d.lookupResultField);
        if (keyField >= 0 && resultField >= 0) {
            map.reserve(source->recordCount());
            for (int r = 0; r < source->recordCount(); ++r) {
                if (source->isNull(r, keyField))
                    continue;
                QString text = source->textValue(r, resultField);
                map.insert(source->integerValue(r, keyField), d.size > 0 ? cutToCharacters(text, d.size) : text);
            }
        }
        m_lookupValid[fieldIndex] = true;
    }
    return m_lookupCache[fieldIndex].value(id);
}

void Query::invalidateLookups() {
    m_lookupValid.clear();
    m_lookupCache.clear();
    if (m_state != State::Inactive && sender() && sender() != this)
        emit rowsReset(); // looked-up texts may have changed
}

void Query::sort(const QString& spec) {
    requireOpen();
    const QStringList parts = spec.simplified().split(u' ');
    const int f = fieldIndex(parts.value(0));
    if (f < 0 || !m_fields[f].isData())
        raise(QStringLiteral("Field '%1' not found").arg(parts.value(0)));
    const bool descending = parts.value(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
    if (m_state == State::Insert || m_state == State::Edit)
        post();
    sortRows(m_snapshot, static_cast<size_t>(dataColumnOf(f)), descending, m_order);
    m_current = m_order.empty() ? -1 : 0; // a sorted result starts at its first row
    m_sortSpec = spec;
    emit rowsReset();
    emit currentRowChanged(m_current);
}

} // namespace engine
