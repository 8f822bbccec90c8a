#pragma once
// The yardstick: the same statements through SQLite's C API on its own
// plain handle (SQLite's built-in LIKE and BINARY order), stepping every
// row and reading every column so the work cannot be skipped.
#include <QString>
#include <cstdint>

struct sqlite3;

namespace bench {

class Baseline {
public:
    explicit Baseline(const QString& path);
    ~Baseline();
    Baseline(const Baseline&) = delete;
    Baseline& operator=(const Baseline&) = delete;

    void open();
    void close();

    // Runs one statement, reading every column of every row. Returns the rows.
    int64_t select(const QString& sql);

    // VACUUM of the file in place, from a fresh handle.
    static void vacuum(const QString& path);
    // Drops a table of the file, from a fresh handle.
    static void dropTable(const QString& path, const QString& table);

    // Folded from every value read; printed so the reads stay observable.
    uint64_t checksum() const { return m_checksum; }

private:
    QString m_path;
    sqlite3* m_db = nullptr;
    uint64_t m_checksum = 0;
};

} // namespace bench
