#pragma once
// Inside the engine: a raw SQLite handle on a whole file, for the routines
// that copy, check and rewrite files rather than run the program's
// statements.
#include "engine/Connection.h"
#include "engine/EngineError.h"

#include <QFile>
#include <QString>
#include <sqlite3.h>

namespace engine {

// A file's name as SQLite takes it: UTF-8 on Windows, whatever its letters;
// the name in the file system's own encoding elsewhere.
inline QByteArray sqliteFileName(const QString& path) {
#ifdef _WIN32
    return path.toUtf8();
#else
    return QFile::encodeName(path);
#endif
}

class Handle {
public:
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { sqlite3_close_v2(db); }
    sqlite3* db = nullptr;
};

// Every page of from into to, in one step; to's own journal covers it.
inline int copyPages(sqlite3* from, sqlite3* to) {
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup)
        return sqlite3_errcode(to);
    const int rc = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    return rc == SQLITE_DONE ? finished : rc;
}

[[noreturn]] inline void failOn(sqlite3* db, int rc, const QString& path) {
    throw EngineError(sqliteMessage(rc, db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString(), path), rc);
}

inline void run(sqlite3* db, const char* sql, const QString& path) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        failOn(db, rc, path);
}

inline void openFile(Handle& h, const QString& path, int flags) {
    const int rc = sqlite3_open_v2(sqliteFileName(path).constData(), &h.db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK)
        failOn(h.db, rc, path);
    sqlite3_extended_result_codes(h.db, 1);
    sqlite3_busy_timeout(h.db, 3000);
}

// The first column of the first row of sql, as text ("" when no row).
inline QString singleText(sqlite3* db, const char* sql, const QString& path) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        failOn(db, rc, path);
    QString text;
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        failOn(db, rc, path);
    return text;
}

} // namespace engine
