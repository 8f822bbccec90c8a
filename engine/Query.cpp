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
    case FieldKind::Word: return Snapshot::Storage::Integer;
    case FieldKind::DateTime: return Snapshot::Storage::Real;
    default: return Snapshot::Storage::Text;
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

// Every row of stmt into snapshot, column k of it from result column
// resultColumn[k]; SQLite's last answer (SQLITE_DONE when all were read).
int readRows(sqlite3_stmt* stmt, const std::vector<int>& resultColumn, const std::vector<Snapshot::Storage>& storages,
             Snapshot& snapshot) {
    int rc = SQLITE_DONE;
    const size_t count = resultColumn.size();
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (size_t k = 0; k < count; ++k) {
            // One column call per cell; the value calls that follow are cheap.
            sqlite3_value* v = sqlite3_column_value(stmt, resultColumn[k]);
            if (sqlite3_value_type(v) == SQLITE_NULL) {
                snapshot.appendNull(k);
                continue;
            }
            switch (storages[k]) {
            case Snapshot::Storage::Integer: snapshot.appendInteger(k, sqlite3_value_int64(v)); break;
            case Snapshot::Storage::Real: snapshot.appendReal(k, sqlite3_value_double(v)); break;
            case Snapshot::Storage::Text: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
                snapshot.appendText(k, std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(v))));
                break;
            }
            }
        }
        snapshot.finishRow();
    }
    return rc;
}

// "VARCHAR(50)" -> 50; 0 when the type names no size.
int declaredSize(const char* declared) {
    const QString t = QString::fromUtf8(declared ? declared : "");
    const qsizetype open = t.indexOf(u'('), close = t.indexOf(u')');
    return open >= 0 && close > open ? t.mid(open + 1, close - open - 1).trimmed().toInt() : 0;
}

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
        if (d.lookupDataset)
            disconnect(d.lookupDataset, nullptr, this, nullptr);
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

void Query::takeFieldsOf(sqlite3_stmt* stmt) {
    m_fields.clear();
    for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
        FieldDef d;
        d.name = QString::fromUtf8(sqlite3_column_name(stmt, c));
        const char* declared = sqlite3_column_decltype(stmt, c);
        d.kind = kindOfDeclared(declared, d.name.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0);
        d.size = declaredSize(declared);
        m_fields.append(d);
    }
}

void Query::bindDataFields(sqlite3_stmt* stmt, std::vector<int>& resultColumn,
                           std::vector<Snapshot::Storage>& storages) {
    const int columns = sqlite3_column_count(stmt);
    QStringList columnNames;
    for (int c = 0; c < columns; ++c)
        columnNames << QString::fromUtf8(sqlite3_column_name(stmt, c));
    m_columnOfField.assign(m_fields.size(), -1);
    for (int f = 0; f < m_fields.size(); ++f) {
        const FieldDef& d = m_fields[f];
        if (!d.isData())
            continue;
        int found = -1;
        for (int c = 0; c < columns && found < 0; ++c)
            if (columnNames[c].compare(d.name, Qt::CaseInsensitive) == 0)
                found = c;
        if (found < 0)
            raise(QStringLiteral("Field '%1' not found").arg(d.label()));
        m_columnOfField[f] = static_cast<int>(resultColumn.size());
        resultColumn.push_back(found);
        storages.push_back(storageOf(d.kind));
    }
}

void Query::open() {
    close();
    const RewrittenStatement r =
        rewriteStatement(sqlText(), [this](const QString& n) { return m_connection->resolveTable(n); });
    const Statement statement = m_connection->prepare(r.sql.toUtf8());
    sqlite3_stmt* stmt = statement.get();
    const int columns = sqlite3_column_count(stmt);
    if (columns == 0)
        raise(QStringLiteral("Запрос не возвращает данных"));

    if (m_declared.isEmpty())
        takeFieldsOf(stmt);
    std::vector<int> resultColumn;
    std::vector<Snapshot::Storage> storages;
    bindDataFields(stmt, resultColumn, storages);
    m_snapshot.reset(storages);
    int rc = SQLITE_DONE;
    try {
        rc = readRows(stmt, resultColumn, storages, m_snapshot);
    } catch (...) {
        m_snapshot.reset({}); // no half-read result stays in memory
        throw;
    }
    if (rc != SQLITE_DONE) {
        m_snapshot.reset({});
        m_connection->fail(rc);
    }
    m_order.resize(m_snapshot.rowCount());
    for (uint32_t i = 0; i < m_order.size(); ++i)
        m_order[i] = i;
    m_order.shrink_to_fit();
    m_baseTable = r.firstTable;
    m_sortOrder.clear();
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
    m_sortOrder.clear();
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

bool Query::isNull(int row, int fieldIndex) const {
    if (m_fields[fieldIndex].kind == FieldKind::Lookup)
        return textValue(row, fieldIndex).isEmpty();
    const int c = dataColumnOf(fieldIndex);
    return c < 0 || m_snapshot.isNull(m_order[row], c);
}

QVariant Query::value(int row, int fieldIndex) const {
    if (m_fields[fieldIndex].kind == FieldKind::Lookup)
        return textValue(row, fieldIndex);
    return toVariant(storedValue(m_order[row], fieldIndex));
}

QVariant Query::toVariant(const Value& v) {
    if (std::holds_alternative<int64_t>(v))
        return QVariant::fromValue<qlonglong>(std::get<int64_t>(v));
    if (std::holds_alternative<double>(v))
        return std::get<double>(v);
    if (std::holds_alternative<QString>(v))
        return std::get<QString>(v);
    return {};
}

template <class Number> Number Query::numberValue(int row, int fieldIndex) const {
    const int c = dataColumnOf(fieldIndex);
    const uint32_t r = m_order[row];
    if (c < 0 || m_snapshot.isNull(r, c))
        return 0;
    switch (m_snapshot.storage(c)) {
    case Snapshot::Storage::Integer: return static_cast<Number>(m_snapshot.integer(r, c));
    case Snapshot::Storage::Real: return static_cast<Number>(m_snapshot.real(r, c));
    default: return 0; // text is no number here
    }
}

int64_t Query::integerValue(int row, int fieldIndex) const { return numberValue<int64_t>(row, fieldIndex); }

double Query::realValue(int row, int fieldIndex) const { return numberValue<double>(row, fieldIndex); }

QString Query::textValue(int row, int fieldIndex) const {
    const FieldDef& d = m_fields[fieldIndex];
    if (d.kind == FieldKind::Lookup) {
        const int key = fieldIndex >= 0 ? this->fieldIndex(d.keyField) : -1;
        return key < 0 ? QString() : lookupText(storedValue(m_order[row], key), fieldIndex);
    }
    const Value v = storedValue(m_order[row], fieldIndex);
    if (std::holds_alternative<QString>(v))
        return std::get<QString>(v);
    if (std::holds_alternative<int64_t>(v))
        return QString::number(std::get<int64_t>(v));
    if (std::holds_alternative<double>(v))
        return QString::number(std::get<double>(v), 'g', 17);
    return {};
}

std::optional<std::string_view> Query::storedText(int row, int fieldIndex) const {
    const int column = m_fields[fieldIndex].kind == FieldKind::Lookup ? -1 : dataColumnOf(fieldIndex);
    if (column < 0 || row < 0 || row >= recordCount())
        return std::nullopt;
    const uint32_t stored = m_order[row];
    if (m_snapshot.isNull(stored, column) || m_snapshot.storage(column) != Snapshot::Storage::Text)
        return std::nullopt;
    return m_snapshot.text(stored, column);
}

QString Query::lookupText(const Value& key, int fieldIndex) const {
    if (!std::holds_alternative<int64_t>(key) && !std::holds_alternative<double>(key))
        return {};
    const int64_t id =
        std::holds_alternative<int64_t>(key) ? std::get<int64_t>(key) : static_cast<int64_t>(std::get<double>(key));
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
    // Only texts that were looked up can have gone stale; this also ends
    // the echo between two queries that look each other up.
    const bool wasBuilt = !m_lookupValid.isEmpty();
    m_lookupValid.clear();
    m_lookupCache.clear();
    if (wasBuilt && m_state != State::Inactive && sender() && sender() != this)
        emit rowsReset();
}

void Query::sort(const QString& order) {
    requireOpen();
    const QStringList parts = order.simplified().split(u' ');
    const int f = fieldIndex(parts.value(0));
    if (f < 0 || !m_fields[f].isData())
        raise(QStringLiteral("Field '%1' not found").arg(parts.value(0)));
    const bool descending = parts.value(1).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
    if (m_state == State::Insert || m_state == State::Edit)
        post();
    sortRows(m_snapshot, static_cast<size_t>(dataColumnOf(f)), descending, m_order);
    m_current = m_order.empty() ? -1 : 0; // a sorted result starts at its first row
    m_sortOrder = order;
    emit rowsReset();
    emit currentRowChanged(m_current);
}

} // namespace engine
