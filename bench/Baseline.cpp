#include "bench/Baseline.h"

#include <QFile>
#include <sqlite3.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace bench {
namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what) {
    throw std::runtime_error("SQLite: " + what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

sqlite3* openHandle(const QString& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close_v2(db);
        throw std::runtime_error("SQLite: open " + path.toStdString() + ": " + message);
    }
    return db;
}

inline uint64_t mix(uint64_t h, uint64_t v) { return (h ^ v) * 0x100000001B3ull; }

} // namespace

Baseline::Baseline(const QString& path) : m_path(path) { open(); }

Baseline::~Baseline() { close(); }

void Baseline::open() {
    if (!m_db)
        m_db = openHandle(m_path);
}

void Baseline::close() {
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

int64_t Baseline::select(const QString& sql) {
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
        fail(m_db, text.toStdString());
    const int columns = sqlite3_column_count(stmt);
    uint64_t h = m_checksum;
    int64_t rows = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        ++rows;
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_INTEGER: h = mix(h, uint64_t(sqlite3_column_int64(stmt, c))); break;
            case SQLITE_FLOAT: {
                const double d = sqlite3_column_double(stmt, c);
                uint64_t bits;
                std::memcpy(&bits, &d, sizeof bits);
                h = mix(h, bits);
                break;
            }
            case SQLITE_TEXT: {
                const auto* t = sqlite3_column_text(stmt, c);
                const int n = sqlite3_column_bytes(stmt, c);
                h = mix(h, uint64_t(n) << 16 | (n > 0 ? uint64_t(t[0]) << 8 | t[n - 1] : 0));
                break;
            }
            case SQLITE_BLOB: h = mix(h, uint64_t(sqlite3_column_bytes(stmt, c))); break;
            default: h = mix(h, 0x4E554C4Cu); break; // Null
            }
        }
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail(m_db, text.toStdString());
    m_checksum = h;
    return rows;
}

namespace {

void runOn(const QString& path, const std::string& sql) {
    sqlite3* db = openHandle(path);
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    const std::string message = sqlite3_errmsg(db);
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("SQLite: " + sql + " " + path.toStdString() + ": " + message);
}

} // namespace

void Baseline::vacuum(const QString& path) { runOn(path, "VACUUM"); }

void Baseline::dropTable(const QString& path, const QString& table) {
    runOn(path, "DROP TABLE \"" + table.toStdString() + '"');
}

} // namespace bench
