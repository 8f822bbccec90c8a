#pragma once
// Backups of a catalogue: a consistent copy at exit when the catalogue
// changed, one a day, the last ten days with a copy kept, in the user's
// data folder; and a copy written back into the catalogue in place, after
// the state it replaces was itself copied.
#include "engine/EngineError.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>
#include <future>
#include <optional>
#include <vector>

namespace backups {

// $XDG_DATA_HOME/Zandrel/backups/<name>-<hash of the full path>/
QString folderFor(const QString& catalogue);

struct Copy {
    QString path;
    QDateTime taken;
    qint64 size = 0;
    bool beforeRestore = false; // the state a restore replaced
};
// The finished copies of catalogue, newest first (a copy being written,
// under its temporary name, is never among them).
QList<Copy> copiesOf(const QString& catalogue);

struct Contents {
    bool intact = false;
    qint64 items = 0, contacts = 0;
};
// What a copy holds, read from the copy itself; a check stopped half-way
// finds nothing.
Contents contentsOf(const QString& copy, const std::atomic<bool>* stop = nullptr);
// The same for each copy, checked side by side: every copy is read whole,
// about a second for each 200 MB.
QList<Contents> contentsOf(const QList<Copy>& copies);

// The copies checked in the background, two at a time, while a window
// lists them: each result is taken when it is ready. Ending it stops the
// checks still running.
class BackgroundChecks {
public:
    explicit BackgroundChecks(const QList<Copy>& copies);
    ~BackgroundChecks();
    BackgroundChecks(const BackgroundChecks&) = delete;
    BackgroundChecks& operator=(const BackgroundChecks&) = delete;
    // The contents of copy i once its check is over.
    std::optional<Contents> ready(int i);

private:
    void startNext();
    QList<Copy> m_copies;
    std::vector<std::future<Contents>> m_checks;
    std::vector<std::optional<Contents>> m_results;
    std::atomic<bool> m_stop{false};
    int m_running = 0;
};

// Why a copy could not be written, and where: what tells one failure from
// another without the time-stamped names in its text.
class BackupError : public engine::EngineError {
public:
    enum class Kind { NoSpace, NoPermission, NoFolder, Other };
    BackupError(const QString& catalogue, const QString& folder, Kind kind, const QString& reason);
    const QString& folder() const { return m_folder; }
    Kind kind() const { return m_kind; }
    // The same for the same folder and the same kind of failure.
    QString memo() const;

private:
    QString m_folder;
    Kind m_kind;
};

enum class Outcome { Made, Unchanged };
enum class Reason { Exit, BeforeRestore };
// Copies catalogue when it changed since the copies were last brought up
// to date (before a restore, always), replacing an exit's copy taken the
// same day and dropping copies beyond the last ten days. A copy taken
// before a restore replaces none, so the restore can be undone the same
// day. Throws with a message naming the catalogue, the folder and the
// reason; the catalogue is never touched.
Outcome backUp(const QString& catalogue, const QDateTime& now, Reason reason = Reason::Exit);

// After the exit's compaction: the catalogue as it stands is what the
// newest copy holds, so the next exit copies only after a change.
void rememberState(const QString& catalogue);

// Writes copy back into catalogue (closed by the caller), having first
// copied the catalogue's present state, so a restore can be undone.
void restore(const QString& copy, const QString& catalogue, const QDateTime& now);

// "08.12.2026 18:00:05", marked when taken before a restore.
QString describeTime(const Copy& copy);

// "812 байт", "28 КБ", "1,5 МБ".
QString describeSize(qint64 bytes);

// The lines "zandrel --backups FILE" prints.
QStringList describe(const QString& catalogue);

} // namespace backups
