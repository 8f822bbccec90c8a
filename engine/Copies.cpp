#include "engine/Copies.h"

#include "engine/SqliteFiles.h"
#include "platform/Files.h"

#include <QFileInfo>

namespace engine {

void copyDatabase(const QString& source, const QString& target) {
    if (QFileInfo::exists(target))
        throw EngineError(QStringLiteral("Файл '%1' уже существует").arg(target));
    try {
        Handle from, to;
        openFile(from, source, SQLITE_OPEN_READONLY);
        openFile(to, target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        // No journal: a copy cut short is removed, never rolled back. The
        // copy is synced as it is completed, before anyone may take it.
        run(to.db, "PRAGMA journal_mode=OFF", target);
        run(to.db, "PRAGMA synchronous=FULL", target);
        const int rc = copyPages(from.db, to.db);
        if (rc != SQLITE_OK)
            failOn(rc == SQLITE_BUSY || rc == SQLITE_LOCKED ? from.db : to.db, rc, rc == SQLITE_BUSY ? source : target);
    } catch (...) {
        platform::deleteFile(target);
        throw;
    }
}

void restoreInPlace(const QString& copy, const QString& file) {
    Handle from;
    openFile(from, copy, SQLITE_OPEN_READONLY);
    if (singleText(from.db, "PRAGMA integrity_check(1)", copy) != QLatin1String("ok"))
        throw EngineError(QStringLiteral("Копия '%1' повреждена; каталог '%2' остался как был").arg(copy, file));
    Handle to;
    openFile(to, file, SQLITE_OPEN_READWRITE);
    run(to.db, "PRAGMA synchronous=FULL", file);
    const int rc = copyPages(from.db, to.db);
    if (rc != SQLITE_OK)
        failOn(to.db, rc, file);
}

FileStamp stampOf(const QString& file) {
    QFile f(file);
    FileStamp stamp;
    if (!f.open(QIODevice::ReadOnly))
        return stamp;
    const QByteArray header = f.read(28);
    stamp.size = f.size();
    if (header.size() == 28)
        stamp.changes = qint64(uint8_t(header[24])) << 24 | uint8_t(header[25]) << 16 | uint8_t(header[26]) << 8
                        | uint8_t(header[27]);
    return stamp;
}

} // namespace engine
