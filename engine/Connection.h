#pragma once
// The one connection to a catalogue file: parses the connection string,
// opens the file with SQLite (never creating it), lists its tables, runs
// statements in the program's dialect, and turns SQLite's failures into
// clear Russian errors.
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

// A prepared statement, finalized however its scope is left.
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const;
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// How a file is opened: for writing, or only to read (SQLite takes no
// write lock, and nothing of the file changes, not even a journal left
// behind).
enum class OpenMode { Write, ReadOnly };

class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject* parent = nullptr);
    ~Connection() override;

    void setConnectionString(const QString& text);
    QString connectionString() const { return m_connectionString; }
    // The file named by "Data Source=" in the connection string.
    QString dataSource() const;
    static QString dataSourceOf(const QString& connectionString);

    void open(OpenMode mode = OpenMode::Write);
    void close();
    // The mode of the latest opening, kept after the close until the next.
    OpenMode openMode() const { return m_mode; }
    bool connected() const { return m_db != nullptr; }

    // Tables, then views, each by name without regard to case; system tables
    // (SQLite's own, and those the program hides) are never listed.
    // hasTable finds any table or view, system tables too.
    QStringList tableNames();
    bool hasTable(const QString& name);
    // The stored name of a table or view, matched without regard to case.
    QString resolveTable(const QString& name);
    bool isView(const QString& storedName);
    // The column names of a table or view, in their order; none when it
    // does not exist.
    QStringList columnsOf(const QString& table);

    // Runs one statement that returns no rows.
    void execute(const QString& statement);
    // Whether a SELECT yields any row; only its first row is read.
    bool hasRows(const QString& statement);

    void beginTransaction();
    void commit();
    void rollback();
    bool inTransaction() const;
    // Runs steps in one transaction: all of them stay, or, when one throws,
    // none does.
    template <class Steps> void inOneTransaction(Steps&& steps) {
        beginTransaction();
        try {
            steps();
            commit();
        } catch (...) {
            rollback();
            throw;
        }
    }

    // SQLite's count of the changes other connections committed to the file
    // (PRAGMA data_version): a different value means the file changed
    // beneath this connection.
    qint64 dataVersion();

    void setBusyTimeout(int milliseconds);
    // Tables of the program's own that tableNames never lists.
    void setHiddenTables(const QStringList& names);

    // Rows changed by this connection since it was opened, as SQLite counts
    // them (rolled back ones too).
    qint64 totalChanges() const;

signals:
    void opened();
    void aboutToClose();
    void schemaChanged();
    // A transaction of this connection's made lasting, or given up.
    void committed();
    void rolledBack();

private:
    // The raw handle stays inside the engine: queries prepare and step
    // statements on it, nothing outside does.
    friend class Query;
    friend class RowInsert;
    sqlite3* requireHandle() const;
    // Prepares an already rewritten statement; throws on failure.
    Statement prepare(const QByteArray& sql);
    // Raises the error SQLite reported for code on this connection.
    [[noreturn]] void fail(int code, const QString& context = {}) const;
    static void registerFunctions(sqlite3* db);
    void removeStaleJournal();

    struct CatalogueEntry {
        QString name;
        QString folded;
        bool view;
        bool system;
    };
    const QList<CatalogueEntry>& catalogue();

    QString m_connectionString;
    sqlite3* m_db = nullptr;
    int m_busyTimeout = 3000;
    OpenMode m_mode = OpenMode::Write;
    QStringList m_hidden;
    QList<CatalogueEntry> m_catalogue;
    int64_t m_catalogueVersion = -1;
};

// Translates an SQLite failure into the program's message.
QString sqliteMessage(int code, const QString& sqliteText, const QString& path);

} // namespace engine
