#include "backups/Backups.h"

#include "data/CatalogueShape.h"
#include "engine/Copies.h"
#include "engine/DatabaseFiles.h"
#include "engine/EngineError.h"
#include "platform/Files.h"
#include "platform/Plural.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QStandardPaths>
#include <QStorageInfo>
#include <sqlite3.h>

#include <algorithm>
#include <future>
#include <tuple>
#include <vector>

namespace backups {

namespace {

constexpr int kDaysKept = 10;
const QString kNameFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");
const QString kSuffix = QStringLiteral(".mdb");
const QString kWriting = QStringLiteral(".writing-");
const QString kBeforeRestore = QStringLiteral("-before-restore");
const QString kState = QStringLiteral("state");

QString canonical(const QString& catalogue) {
    const QFileInfo info(catalogue);
    const QString real = info.canonicalFilePath();
    return real.isEmpty() ? info.absoluteFilePath() : real;
}

// "size changes" of the catalogue as the newest copy (and the compaction
// after it) left it.
QString stampText(const engine::FileStamp& s) { return QStringLiteral("%1 %2").arg(s.size).arg(s.changes); }

QString readState(const QString& folder) {
    QFile f(QDir(folder).filePath(kState));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

void writeState(const QString& folder, const QString& text) {
    const QString path = QDir(folder).filePath(kState);
    const QString temporary = path + QStringLiteral(".new");
    QFile f(temporary);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text.toUtf8()) == text.toUtf8().size()) {
        f.close();
        platform::renameFile(temporary, path);
    }
}

QString reasonText(BackupError::Kind kind, const QString& reason) {
    switch (kind) {
    case BackupError::Kind::NoSpace: return QStringLiteral("на диске нет места");
    case BackupError::Kind::NoPermission: return QStringLiteral("нет прав на запись в папку");
    case BackupError::Kind::NoFolder: return QStringLiteral("папку не удалось создать");
    case BackupError::Kind::Other: break;
    }
    return reason.endsWith(u'.') ? reason.chopped(1) : reason;
}

// What kind of failure the copy's error is, told by SQLite's code or, for
// errors without one, by the folder itself.
BackupError::Kind kindOf(const std::exception& e, const QString& folder, qint64 needed) {
    const auto* engineError = dynamic_cast<const engine::EngineError*>(&e);
    const int code = engineError ? engineError->code() : 0;
    if (code == SQLITE_FULL)
        return BackupError::Kind::NoSpace;
    if (!platform::mayWrite(folder))
        return BackupError::Kind::NoPermission;
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < needed)
        return BackupError::Kind::NoSpace;
    return BackupError::Kind::Other;
}

} // namespace

BackupError::BackupError(const QString& catalogue, const QString& folder, Kind kind, const QString& reason)
    : engine::EngineError(QStringLiteral("Резервная копия каталога '%1' не записана: %2 (папка '%3'). Сам каталог "
                                         "не пострадал.")
                              .arg(catalogue, reasonText(kind, reason), folder)),
      m_folder(folder), m_kind(kind) {}

QString BackupError::memo() const { return m_folder + u'|' + QString::number(int(m_kind)); }

QString folderFor(const QString& catalogue) {
    const QString full = canonical(catalogue);
    const QString hash =
        QString::fromLatin1(QCryptographicHash::hash(full.toUtf8(), QCryptographicHash::Sha1).toHex().left(10));
    const QString data = platform::userDataFolder();
    return QDir(data).filePath(QStringLiteral("Zandrel/backups/%1-%2").arg(QFileInfo(full).completeBaseName(), hash));
}

QList<Copy> copiesOf(const QString& catalogue) {
    QList<Copy> copies;
    const QDir folder(folderFor(catalogue));
    for (const QFileInfo& f : folder.entryInfoList({QStringLiteral("*") + kSuffix}, QDir::Files, QDir::Name)) {
        QString base = f.completeBaseName();
        const bool beforeRestore = base.endsWith(kBeforeRestore);
        if (beforeRestore)
            base.chop(kBeforeRestore.size());
        const QDateTime taken = QDateTime::fromString(base, kNameFormat);
        if (taken.isValid())
            copies.append({f.absoluteFilePath(), taken, f.size(), beforeRestore});
    }
    // Newest first; in the same second a restore's copy follows the exit's.
    std::sort(copies.begin(), copies.end(), [](const Copy& a, const Copy& b) {
        return std::tie(a.taken, a.beforeRestore) > std::tie(b.taken, b.beforeRestore);
    });
    return copies;
}

Contents contentsOf(const QString& copy, const std::atomic<bool>* stop) {
    Contents c;
    try {
        const engine::FileCheck check = engine::checkFile(copy, {}, stop);
        c.intact = check.intact;
        for (int t = 0; t < check.names.size(); ++t) {
            if (check.names[t].compare(shape::kContactsTable, Qt::CaseInsensitive) == 0)
                c.contacts = check.rows[t];
            else if (!shape::isProgramTable(check.names[t]))
                c.items += qMax<qint64>(0, check.rows[t]);
        }
    } catch (const std::exception&) {
        c.intact = false;
    }
    return c;
}

QList<Contents> contentsOf(const QList<Copy>& copies) {
    std::vector<std::future<Contents>> checks;
    for (const Copy& c : copies)
        checks.push_back(std::async(std::launch::async, [path = c.path] { return contentsOf(path); }));
    QList<Contents> contents;
    for (std::future<Contents>& check : checks)
        contents << check.get();
    return contents;
}

BackgroundChecks::BackgroundChecks(const QList<Copy>& copies) : m_copies(copies) {
    m_checks.resize(size_t(copies.size()));
    m_results.resize(size_t(copies.size()));
    // Two at a time: the two cores, and the window's own work between them.
    startNext();
    startNext();
}

BackgroundChecks::~BackgroundChecks() {
    m_stop = true;
    for (std::future<Contents>& check : m_checks)
        if (check.valid())
            check.wait();
}

void BackgroundChecks::startNext() {
    if (m_running >= int(m_checks.size()))
        return;
    const int i = m_running++;
    m_checks[size_t(i)] =
        std::async(std::launch::async, [this, path = m_copies[i].path] { return contentsOf(path, &m_stop); });
}

std::optional<Contents> BackgroundChecks::ready(int i) {
    std::future<Contents>& check = m_checks[size_t(i)];
    if (!m_results[size_t(i)] && check.valid()
        && check.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        m_results[size_t(i)] = check.get();
        startNext();
    }
    return m_results[size_t(i)];
}

Outcome backUp(const QString& catalogue, const QDateTime& now, Reason reason) {
    const QString folder = folderFor(catalogue);
    const engine::FileStamp stamp = engine::stampOf(catalogue);
    if (reason == Reason::Exit && !copiesOf(catalogue).isEmpty() && readState(folder) == stampText(stamp))
        return Outcome::Unchanged;
    if (!QDir().mkpath(folder))
        throw BackupError(catalogue, folder, BackupError::Kind::NoFolder, QString());
    const QDir dir(folder);
    // What a copy killed half-way left is never offered: it still has its
    // temporary name, and goes now.
    for (const QString& stale : dir.entryList({kWriting + QStringLiteral("*")}, QDir::Files | QDir::Hidden))
        platform::deleteFile(dir.filePath(stale));
    const QString name =
        now.toString(kNameFormat) + (reason == Reason::BeforeRestore ? kBeforeRestore : QString()) + kSuffix;
    const QString writing = dir.filePath(kWriting + name);
    try {
        engine::copyDatabase(catalogue, writing);
    } catch (const std::exception& e) {
        throw BackupError(catalogue, folder, kindOf(e, folder, stamp.size), QString::fromUtf8(e.what()));
    }
    if (!platform::renameFile(writing, dir.filePath(name))) {
        platform::deleteFile(writing);
        throw BackupError(catalogue, folder, BackupError::Kind::Other,
                          QStringLiteral("копию не удалось переименовать"));
    }
    platform::syncFolder(folder);
    writeState(folder, stampText(stamp));
    // One exit's copy a day, the newest; the last ten days with a copy.
    QSet<QDate> days;
    for (const Copy& c : copiesOf(catalogue)) {
        const bool sameDayOlder =
            reason == Reason::Exit && !c.beforeRestore && c.taken.date() == now.date() && c.path != dir.filePath(name);
        if (sameDayOlder || (!days.contains(c.taken.date()) && days.size() >= kDaysKept))
            platform::deleteFile(c.path);
        else
            days.insert(c.taken.date());
    }
    return Outcome::Made;
}

void rememberState(const QString& catalogue) {
    const QString folder = folderFor(catalogue);
    if (QFileInfo(folder).isDir() && !copiesOf(catalogue).isEmpty())
        writeState(folder, stampText(engine::stampOf(catalogue)));
}

void restore(const QString& copy, const QString& catalogue, const QDateTime& now) {
    if (!contentsOf(copy).intact)
        throw engine::EngineError(
            QStringLiteral("Копия '%1' повреждена; каталог '%2' остался как был").arg(copy, catalogue));
    backUp(catalogue, now, Reason::BeforeRestore);
    engine::restoreInPlace(copy, catalogue);
}

QString describeTime(const Copy& copy) {
    const QString time = copy.taken.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    return copy.beforeRestore ? time + QStringLiteral(" (до восстановления)") : time;
}

QString describeSize(qint64 bytes) {
    const QLocale russian(QLocale::Russian);
    if (bytes < 1024)
        return platform::countOf(bytes, {"байт", "байта", "байт"});
    const char* const units[] = {"КБ", "МБ", "ГБ", "ТБ"};
    double value = double(bytes) / 1024.0;
    int unit = 0;
    for (; value >= 1024.0 && unit < 3; ++unit)
        value /= 1024.0;
    return russian.toString(value, 'f', value < 10.0 ? 1 : 0) + QLatin1Char(' ') + QString::fromUtf8(units[unit]);
}

QStringList describe(const QString& catalogue) {
    QStringList lines{
        QStringLiteral("Резервные копии каталога %1 (%2):").arg(canonical(catalogue), folderFor(catalogue))};
    const QList<Copy> copies = copiesOf(catalogue);
    const QList<Contents> checked = contentsOf(copies);
    for (qsizetype i = 0; i < copies.size(); ++i) {
        const Copy& c = copies[i];
        const Contents& contents = checked[i];
        lines << QStringLiteral("%1  %2  вещей: %3, контактов: %4%5")
                     .arg(describeTime(c), describeSize(c.size))
                     .arg(contents.items)
                     .arg(contents.contacts)
                     .arg(contents.intact ? QString() : QStringLiteral("  ПОВРЕЖДЕНА"));
    }
    if (lines.size() == 1)
        lines << QStringLiteral("Копий нет.");
    return lines;
}

} // namespace backups
