#pragma once
// Backups of a catalogue: a consistent copy at exit when the catalogue
// changed, one a day, the last ten days with a copy kept, in the user's
// data folder; and a copy written back into the catalogue in place, after
// the state it replaces was itself copied.
#include <QDateTime>
#include <QList>
#include <QString>

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
// What a copy holds, read from the copy itself.
Contents contentsOf(const QString& copy);
// The same for each copy, checked side by side: every copy is read whole,
// about a second for each 200 MB.
QList<Contents> contentsOf(const QList<Copy>& copies);

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
