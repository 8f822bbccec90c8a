#include "engine/Connection.h"

#include "engine/Collation.h"
#include "engine/Dialect.h"
#include "engine/EngineError.h"
#include "engine/SqliteFiles.h"
#include "engine/Unicode.h"
#include "platform/Plural.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <sqlite3.h>

#include <algorithm>

namespace engine {
namespace {

const QString kLocked = QStringLiteral("База данных '%1' заблокирована другой программой");

void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return; // Null matches nothing: the result is Null
    auto compile = [&]() {
        char32_t escape = 0;
        if (argc == 3 && sqlite3_value_type(argv[2]) != SQLITE_NULL) {
            const auto* e = sqlite3_value_text(argv[2]);
            const size_t len = static_cast<size_t>(sqlite3_value_bytes(argv[2]));
            size_t i = 0;
            if (len > 0)
                escape = unicode::decodeUtf8(e, len, i);
        }
        const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
        return new unicode::LikePattern(std::string_view(p, static_cast<size_t>(sqlite3_value_bytes(argv[0]))), escape);
    };
    // The pattern is folded once per statement, not once per row.
    auto* pattern = static_cast<unicode::LikePattern*>(sqlite3_get_auxdata(ctx, 0));
    if (!pattern) {
        sqlite3_set_auxdata(ctx, 0, compile(), [](void* p) { delete static_cast<unicode::LikePattern*>(p); });
        pattern = static_cast<unicode::LikePattern*>(sqlite3_get_auxdata(ctx, 0));
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const std::string_view view(text, static_cast<size_t>(sqlite3_value_bytes(argv[1])));
    if (pattern) {
        sqlite3_result_int(ctx, pattern->matches(view) ? 1 : 0);
    } else {
        const std::unique_ptr<unicode::LikePattern> local(compile());
        sqlite3_result_int(ctx, local->matches(view) ? 1 : 0);
    }
}

QString afterColon(const QString& text) {
    const qsizetype colon = text.indexOf(u':');
    return colon < 0 ? text : text.mid(colon + 1).trimmed();
}

QString unquote(QString name) {
    if (name.size() >= 2 && (name.startsWith(u'"') || name.startsWith(u'\'')))
        name = name.mid(1, name.size() - 2);
    return name;
}

} // namespace

QString sqliteMessage(int code, const QString& text, const QString& path) {
    switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return kLocked.arg(path);
    case SQLITE_NOTADB: return QStringLiteral("Файл '%1' не является базой данных").arg(path);
    case SQLITE_CANTOPEN: return QStringLiteral("Невозможно открыть файл базы данных '%1'").arg(path);
    case SQLITE_READONLY:
        return QStringLiteral("База данных '%1' доступна только для чтения: изменения не сохранены").arg(path);
    case SQLITE_FULL:
        return QStringLiteral("Недостаточно места на диске: изменения базы данных '%1' не сохранены").arg(path);
    case SQLITE_CORRUPT: return QStringLiteral("База данных '%1' повреждена").arg(path);
    case SQLITE_IOERR: return QStringLiteral("Ошибка чтения или записи файла базы данных '%1'").arg(path);
    case SQLITE_TOOBIG: return QStringLiteral("Значение слишком велико для базы данных");
    case SQLITE_CONSTRAINT: {
        QString column;
        int size = 0;
        if (parseLengthConstraint(afterColon(text), &column, &size))
            return QStringLiteral("Значение поля '%1' длиннее %2")
                .arg(column, platform::countOf(size, {"символа", "символов", "символов"}));
        if ((code == SQLITE_CONSTRAINT_PRIMARYKEY) || (code == SQLITE_CONSTRAINT_UNIQUE))
            return QStringLiteral("Запись с таким значением ключа уже существует (%1)").arg(afterColon(text));
        return QStringLiteral("Нарушено ограничение базы данных: %1").arg(text);
    }
    default: break;
    }
    static const QRegularExpression noTable(QStringLiteral("^no such table: (.+)$"));
    static const QRegularExpression noColumn(QStringLiteral("^no such column: (.+)$"));
    static const QRegularExpression exists(QStringLiteral("^(?:table|view) (.+) already exists$"));
    static const QRegularExpression syntax(QStringLiteral("^near \"(.*)\": syntax error$"));
    QRegularExpressionMatch m;
    if ((m = noTable.match(text)).hasMatch())
        return QStringLiteral("Таблица '%1' не найдена").arg(unquote(m.captured(1)).section(u'.', -1));
    if ((m = noColumn.match(text)).hasMatch())
        return QStringLiteral("Поле '%1' не найдено").arg(unquote(m.captured(1)));
    if ((m = exists.match(text)).hasMatch())
        return QStringLiteral("Таблица '%1' уже существует").arg(unquote(m.captured(1)));
    if ((m = syntax.match(text)).hasMatch())
        return QStringLiteral("Синтаксическая ошибка в запросе около '%1'").arg(m.captured(1));
    if (text == QLatin1String("incomplete input"))
        return QStringLiteral("Текст запроса не закончен");
    return QStringLiteral("Ошибка базы данных: %1").arg(text);
}

Connection::Connection(QObject* parent) : QObject(parent) {}

Connection::~Connection() { close(); }

void Connection::setConnectionString(const QString& text) { m_connectionString = text; }

QString Connection::dataSourceOf(const QString& connectionString) {
    static const QString key = QStringLiteral("Data Source=");
    const qsizetype at = connectionString.indexOf(key, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    const qsizetype start = at + key.size();
    // The path ends where the next "Key=" part begins, so a ';' inside a
    // file name stays part of it.
    static const QRegularExpression nextPart(QStringLiteral(";(?=\\s*(?:[A-Za-z][A-Za-z0-9 :]*=|$))"));
    const qsizetype end = connectionString.indexOf(nextPart, start);
    return connectionString.mid(start, end < 0 ? -1 : end - start);
}

QString Connection::dataSource() const { return dataSourceOf(m_connectionString); }

void Connection::registerFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_function(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr);
}

void Connection::open(OpenMode openMode) {
    if (m_db)
        return;
    const QString path = dataSource();
    if (path.isEmpty())
        throw EngineError(QStringLiteral("Не указан файл базы данных"));
    const QFileInfo info(path);
    if (!info.exists())
        throw EngineError(QStringLiteral("Файл базы данных '%1' не найден").arg(path));
    if (info.isDir())
        throw EngineError(QStringLiteral("'%1' - папка, а не файл базы данных").arg(path));

    sqlite3* db = nullptr;
    const bool readOnly = openMode == OpenMode::ReadOnly;
    const int mode = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    int rc = sqlite3_open_v2(sqliteFileName(path).constData(), &db, mode | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, m_busyTimeout);
        // SQLite opens lazily: reading the schema is what proves the file
        // is a database and not held by another program.
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        const QString text = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
        sqlite3_close(db);
        throw EngineError(sqliteMessage(rc, text, path));
    }
    registerFunctions(db);
    m_db = db;
    m_catalogueVersion = -1;
    m_mode = openMode;
    if (!readOnly)
        removeStaleJournal();
    emit opened();
}

void Connection::removeStaleJournal() {
    // A program killed while it was still writing its journal leaves one
    // that is not hot: SQLite rightly never rolls it back, and so never
    // removes it. Taking the write lock first rolls back a hot journal and
    // proves that no one else is writing: a journal left after that belongs
    // to no one.
    const QString journal = dataSource() + QStringLiteral("-journal");
    if (!QFileInfo::exists(journal))
        return;
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return; // another program is writing, or the file is read-only
    QFile::remove(journal);
    sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
}

qint64 Connection::dataVersion() {
    sqlite3_stmt* s = nullptr;
    qint64 version = -1;
    if (sqlite3_prepare_v2(requireHandle(), "PRAGMA data_version", -1, &s, nullptr) == SQLITE_OK
        && sqlite3_step(s) == SQLITE_ROW)
        version = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    return version;
}

void Connection::close() {
    if (!m_db)
        return;
    emit aboutToClose();
    if (sqlite3_get_autocommit(m_db) == 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_catalogue.clear();
    m_catalogueVersion = -1;
}

sqlite3* Connection::requireHandle() const {
    if (!m_db)
        throw EngineError(QStringLiteral("Нет соединения с базой данных"));
    return m_db;
}

void Connection::fail(int code, const QString& context) const {
    const QString text = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    const QString message = sqliteMessage(code, text, dataSource());
    throw EngineError(context.isEmpty() ? message : context + message, code);
}

void StatementFinalizer::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

Statement Connection::prepare(const QByteArray& sql) {
    sqlite3* db = requireHandle();
    // SQLite would end the statement at a NUL and report whatever follows
    // as a syntax error; no statement of the program holds one.
    if (sql.contains('\0'))
        throw EngineError(QStringLiteral("Текст запроса содержит недопустимый символ NUL"));
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &stmt, &tail);
    if (rc != SQLITE_OK)
        fail(rc);
    if (!stmt)
        throw EngineError(QStringLiteral("Пустой текст запроса"));
    return Statement(stmt);
}

const QList<Connection::CatalogueEntry>& Connection::catalogue() {
    int rc;
    int64_t version;
    {
        const Statement stmt = prepare("PRAGMA schema_version");
        rc = sqlite3_step(stmt.get());
        version = rc == SQLITE_ROW ? sqlite3_column_int64(stmt.get(), 0) : -2;
    }
    if (rc != SQLITE_ROW)
        fail(rc);
    if (version == m_catalogueVersion)
        return m_catalogue;

    QList<CatalogueEntry> entries;
    {
        const Statement stmt = prepare("SELECT name, type FROM sqlite_master WHERE type IN ('table','view')");
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)));
            if (name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
                continue; // SQLite's own tables are system tables
            const bool view = qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 1)), "view") == 0;
            // The program's own, found by name, never listed.
            const bool system = m_hidden.contains(name, Qt::CaseInsensitive);
            entries.append({name, unicode::foldedName(name), view, system});
        }
    }
    if (rc != SQLITE_DONE)
        fail(rc);
    std::stable_sort(entries.begin(), entries.end(), [](const CatalogueEntry& a, const CatalogueEntry& b) {
        if (a.view != b.view)
            return !a.view;
        return collation::compare(a.name.toStdString(), b.name.toStdString()) < 0;
    });
    m_catalogue = entries;
    m_catalogueVersion = version;
    return m_catalogue;
}

QStringList Connection::tableNames() {
    QStringList names;
    for (const CatalogueEntry& e : catalogue())
        if (!e.system)
            names.append(e.name);
    return names;
}

bool Connection::hasTable(const QString& name) { return !resolveTable(name).isEmpty(); }

QString Connection::resolveTable(const QString& name) {
    // The exact name first: another program may have made tables whose
    // names differ only in the case of letters SQLite does not fold.
    const QList<CatalogueEntry>& entries = catalogue();
    for (const CatalogueEntry& e : entries)
        if (e.name == name)
            return e.name;
    const QString folded = unicode::foldedName(name);
    QString found;
    for (const CatalogueEntry& e : entries) {
        if (e.folded != folded)
            continue;
        if (!found.isEmpty())
            throw EngineError(
                QStringLiteral("Имя таблицы '%1' неоднозначно: оно совпадает с '%2' и '%3'").arg(name, found, e.name));
        found = e.name;
    }
    return found;
}

bool Connection::isView(const QString& storedName) {
    for (const CatalogueEntry& e : catalogue())
        if (e.name == storedName)
            return e.view;
    return false;
}

QStringList Connection::columnsOf(const QString& table) {
    const QString stored = resolveTable(table);
    QStringList columns;
    if (stored.isEmpty())
        return columns;
    const Statement stmt = prepare("PRAGMA table_info(" + quotedIdentifier(stored).toUtf8() + ')');
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
        columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 1)));
    if (rc != SQLITE_DONE)
        fail(rc);
    return columns;
}

void Connection::execute(const QString& statement) {
    const RewrittenStatement r = rewriteStatement(statement, [this](const QString& n) { return resolveTable(n); });
    int rc;
    {
        const Statement stmt = prepare(r.sql.toUtf8());
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        }
    }
    if (rc != SQLITE_DONE)
        fail(rc);
    if (r.changesSchema)
        emit schemaChanged();
}

bool Connection::hasRows(const QString& statement) {
    const RewrittenStatement r = rewriteStatement(statement, [this](const QString& n) { return resolveTable(n); });
    int rc;
    {
        const Statement stmt = prepare(r.sql.toUtf8());
        rc = sqlite3_step(stmt.get());
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        fail(rc);
    return rc == SQLITE_ROW;
}

void Connection::beginTransaction() {
    const int rc = sqlite3_exec(requireHandle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
}

void Connection::commit() {
    const int rc = sqlite3_exec(requireHandle(), "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
    emit committed();
}

void Connection::rollback() {
    if (m_db && sqlite3_get_autocommit(m_db) == 0) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        emit rolledBack();
    }
}

qint64 Connection::totalChanges() const { return m_db ? sqlite3_total_changes64(m_db) : 0; }

bool Connection::inTransaction() const { return m_db && sqlite3_get_autocommit(m_db) == 0; }

void Connection::setHiddenTables(const QStringList& names) {
    m_hidden = names;
    m_catalogueVersion = -1;
}

void Connection::setBusyTimeout(int milliseconds) {
    m_busyTimeout = milliseconds;
    if (m_db)
        sqlite3_busy_timeout(m_db, milliseconds);
}

} // namespace engine
