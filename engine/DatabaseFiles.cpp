#include "engine/DatabaseFiles.h"

#include "engine/Dialect.h"
#include "engine/SqliteFiles.h"

#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "platform/Files.h"

#include <QDir>

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <future>
#include <memory>

namespace engine {
namespace {

// Marks the files this program makes ("ZAND").
constexpr int kApplicationId = 0x5A414E44;

QString systemReason() { return QString::fromLocal8Bit(std::strerror(errno)); }

} // namespace

void createDatabase(const QString& path) {
    if (path.isEmpty())
        throw EngineError(QStringLiteral("Не указан файл базы данных"));
    // An existing file is refused, even one made a moment ago.
    if (const int error = platform::createNewFile(path)) {
        if (error == EEXIST)
            throw EngineError(QStringLiteral("Файл '%1' уже существует").arg(path));
        throw EngineError(
            QStringLiteral("Невозможно создать файл '%1': %2").arg(path, platform::systemErrorText(error)));
    }
    try {
        initializeDatabase(path);
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

void initializeDatabase(const QString& path) {
    if (QFileInfo(path).size() != 0)
        throw EngineError(QStringLiteral("Файл '%1' не пуст").arg(path));
    Handle h;
    openFile(h, path, SQLITE_OPEN_READWRITE);
    // Writing the header makes the empty file a database any SQLite tool reads.
    run(h.db, QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId).toUtf8().constData(), path);
}

namespace {

QString schemaOf(sqlite3* db, const QString& path) {
    return singleText(db,
                      "SELECT group_concat(type || name || ifnull(sql,''), '|') FROM "
                      "(SELECT * FROM sqlite_master ORDER BY name, type)",
                      path);
}

// VACUUM INTO target through the open source, then sync and check the copy:
// it must open as a database with the very same tables, its pages filling
// the file exactly with none left free.
void writeCheckedCopy(sqlite3* src, const QString& source, const QString& target) {
    const QString sourceSchema = schemaOf(src, source);
    // The copy takes its syncing from this connection: one fsync of the
    // finished copy below makes it durable, instead of SQLite's two.
    run(src, "PRAGMA synchronous=OFF", source);
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(src, "VACUUM INTO ?", -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        failOn(src, rc, source);
    const QByteArray t = sqliteFileName(target);
    sqlite3_bind_text(stmt, 1, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        failOn(src, rc, target);
    if (!platform::syncFile(target))
        throw EngineError(QStringLiteral("Невозможно записать файл '%1' на диск: %2").arg(target, systemReason()));
    Handle copy;
    openFile(copy, target, SQLITE_OPEN_READONLY);
    if (schemaOf(copy.db, target) != sourceSchema)
        throw EngineError(QStringLiteral("Сжатая копия базы '%1' не совпадает с оригиналом").arg(source));
    const qint64 pages = singleText(copy.db, "PRAGMA page_count", target).toLongLong();
    const qint64 pageSize = singleText(copy.db, "PRAGMA page_size", target).toLongLong();
    const qint64 freePages = singleText(copy.db, "PRAGMA freelist_count", target).toLongLong();
    if (pages <= 0 || pages * pageSize != QFileInfo(target).size() || freePages != 0)
        throw EngineError(QStringLiteral("Сжатая копия базы '%1' повреждена").arg(source));
}

void requireFreshTarget(const QString& source, const QString& target) {
    if (platform::pathTaken(target))
        throw EngineError(QStringLiteral("Файл '%1' уже существует").arg(target));
    if (!QFileInfo(source).isFile())
        throw EngineError(QStringLiteral("Файл базы данных '%1' не найден").arg(source));
}

} // namespace

void compactDatabase(const QString& source, const QString& target) {
    requireFreshTarget(source, target);
    try {
        Handle src;
        // Read-write: SQLite copies a read-only source at half the speed.
        openFile(src, source, SQLITE_OPEN_READWRITE);
        writeCheckedCopy(src.db, source, target);
    } catch (...) {
        QFile::remove(target);
        throw;
    }
}

QString compactionFailure(int code, const QString& file) {
    switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_NOTADB: return sqliteMessage(code, {}, file);
    case SQLITE_FULL:
        return QStringLiteral("Недостаточно места на диске, чтобы сжать базу данных '%1'; база осталась как была.")
            .arg(file);
    case SQLITE_CORRUPT: return damagedMessage(file);
    default:
        return QStringLiteral("Не удалось сжать базу данных '%1' (%2); база осталась как была.")
            .arg(file, QString::fromUtf8(sqlite3_errstr(code)));
    }
}

namespace {

// What PRAGMA quick_check says of file, from a read-only connection of its
// own: "ok", the first fault found, or the SQLite error that stopped it.
struct Check {
    int rc = SQLITE_OK;
    QString found;
};

Check quickCheck(const QString& file) {
    Handle db;
    Check check;
    check.rc =
        sqlite3_open_v2(sqliteFileName(file).constData(), &db.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (check.rc != SQLITE_OK)
        return check;
    sqlite3_busy_timeout(db.db, 3000);
    sqlite3_stmt* stmt = nullptr;
    check.rc = sqlite3_prepare_v2(db.db, "PRAGMA quick_check(1)", -1, &stmt, nullptr);
    if (check.rc == SQLITE_OK && (check.rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        check.found = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        check.rc = SQLITE_OK;
    }
    sqlite3_finalize(stmt);
    return check;
}

// Where SQLite itself keeps the temporary files of a VACUUM.
QString temporaryFolder() {
    for (const char* variable : {"SQLITE_TMPDIR", "TMPDIR"})
        if (const QString folder = qEnvironmentVariable(variable); QFileInfo(folder).isDir())
            return folder;
    for (const char* folder : {"/var/tmp", "/usr/tmp", "/tmp"})
        if (QFileInfo(QString::fromLatin1(folder)).isDir())
            return QString::fromLatin1(folder);
    return QDir::tempPath();
}

const QString kCopyPrefix = QStringLiteral("zandrel");

// A copy is locked while it is being made; one nobody holds, and its
// journal, were left by a compaction that was killed, and go.
void removeStaleCopies(const QString& folder) {
    const QDir dir(folder);
    for (const QString& name : dir.entryList({kCopyPrefix + QStringLiteral("*.tmp*")}, QDir::Files)) {
        const QString copy = dir.filePath(name.left(name.indexOf(QStringLiteral(".tmp")) + 4));
        if (!platform::lockedByAnyone(copy))
            QFile::remove(dir.filePath(name));
    }
}

// The compacted copy of the open file db is written to copyPath while, on
// the other core, SQLite's quick check reads the file: a damaged file is
// never rewritten, for VACUUM would copy what it can read and drop the rest
// for good.
int vacuumIntoChecked(sqlite3* db, const QString& file, const QString& copyPath) {
    std::future<Check> checked = std::async(std::launch::async, quickCheck, file);
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "VACUUM INTO ?", -1, &stmt, nullptr);
    const QByteArray target = sqliteFileName(copyPath);
    if (rc == SQLITE_OK) {
        sqlite3_bind_text(stmt, 1, target.constData(), static_cast<int>(target.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(stmt);
        rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
    }
    sqlite3_finalize(stmt);
    const Check check = checked.get();
    if (rc == SQLITE_OK && check.rc != SQLITE_OK)
        rc = check.rc;
    if (rc == SQLITE_OK && check.found != QLatin1String("ok"))
        rc = SQLITE_CORRUPT;
    return rc;
}

} // namespace

void compactInPlace(const QString& file) {
    if (!QFileInfo(file).isFile())
        throw EngineError(QStringLiteral("Файл базы данных '%1' не найден").arg(file));
    Handle db;
    int rc =
        sqlite3_open_v2(sqliteFileName(file).constData(), &db.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    const auto step = [&](const char* sql) {
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(db.db, sql, nullptr, nullptr, nullptr);
    };
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(db.db, 1);
        sqlite3_busy_timeout(db.db, 3000);
    }
    // The read lock taken now is held to the end: no other program can
    // commit a change that the compacted copy would then overwrite.
    step("PRAGMA locking_mode=EXCLUSIVE");
    step("SELECT count(*) FROM sqlite_master");
    // The copy is only a step on the way: it needs no syncing of its own.
    step("PRAGMA synchronous=OFF");
    QString copyPath;
    std::unique_ptr<platform::FileLock> copyLock;
    if (rc == SQLITE_OK) {
        try {
            removeStaleCopies(temporaryFolder());
            copyPath = platform::uniqueTempFile(temporaryFolder(), kCopyPrefix);
            copyLock = std::make_unique<platform::FileLock>(copyPath);
        } catch (const std::exception&) {
            rc = SQLITE_CANTOPEN;
        }
    }
    if (rc == SQLITE_OK)
        rc = vacuumIntoChecked(db.db, file, copyPath);
    // The copy's pages then replace the file's own under the rollback
    // journal: the inode, owner, links and every other program's open handle
    // stay valid, and a crash leaves the old or the new contents, which the
    // journal restores at the next opening.
    step("PRAGMA synchronous=FULL");
    Handle copy;
    if (rc == SQLITE_OK)
        rc = sqlite3_open_v2(sqliteFileName(copyPath).constData(), &copy.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                             nullptr);
#ifndef _WIN32
    if (!copyPath.isEmpty())
        QFile::remove(copyPath); // an open copy stays readable; a kill now leaves nothing
#endif
    copyLock.reset();
    if (rc == SQLITE_OK)
        rc = copyPages(copy.db, db.db);
#ifdef _WIN32
    // Windows removes no file that is open: the copy goes once it is closed
    // (one a kill left is removed by the next compaction).
    sqlite3_close_v2(copy.db);
    copy.db = nullptr;
    if (!copyPath.isEmpty())
        QFile::remove(copyPath);
#endif
    if (rc != SQLITE_OK)
        throw EngineError(compactionFailure(rc, file));
}

FileCheck checkFile(const QString& file, const QStringList& tables, const std::atomic<bool>* stop) {
    Handle h;
    openFile(h, file, SQLITE_OPEN_READONLY);
    if (stop)
        sqlite3_progress_handler(
            h.db, 10000, [](void* flag) { return int(static_cast<const std::atomic<bool>*>(flag)->load()); },
            const_cast<std::atomic<bool>*>(stop));
    FileCheck check;
    check.intact = singleText(h.db, "PRAGMA integrity_check(1)", file) == QLatin1String("ok");
    check.names = tables;
    if (tables.isEmpty())
        check.names = singleText(h.db,
                                 "SELECT group_concat(name, char(10)) FROM sqlite_master WHERE type='table' AND "
                                 "name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
                                 file)
                          .split(u'\n', Qt::SkipEmptyParts);
    for (const QString& table : std::as_const(check.names)) {
        const QByteArray exists =
            "SELECT count(*) FROM sqlite_master WHERE type='table' AND name='" + quoted(table).toUtf8() + '\'';
        const QByteArray count = "SELECT count(*) FROM " + quotedIdentifier(table).toUtf8();
        check.rows << (singleText(h.db, exists.constData(), file) == QLatin1String("1")
                           ? singleText(h.db, count.constData(), file).toLongLong()
                           : -1);
    }
    return check;
}

QString damagedMessage(const QString& file) {
    return QStringLiteral("База данных '%1' повреждена и не была сжата: файл оставлен как был. "
                          "Сохраните копию этого файла, прежде чем работать с ним дальше.")
        .arg(file);
}

} // namespace engine
