#pragma once
// The note beside a catalogue that says who has it open for writing:
// "<catalogue>.lock", made with an exclusive create, holding the user, the
// computer, the process and the time. Another program reads it to tell the
// user; a note of a program that is gone is replaced without asking.
#include <QDateTime>
#include <QString>

#include <optional>

namespace platform {

struct LockNote {
    QString user, computer;
    qint64 process = 0;
    QDateTime since;
    // Its program still runs: on this computer a Zandrel process of that id;
    // on another, a note younger than twelve hours.
    bool ownerAlive() const;
    bool ours() const; // this very process wrote it
};

QString lockNotePath(const QString& catalogue);
std::optional<LockNote> readLockNote(const QString& catalogue);
// Makes this process's note; false when a note is there already (or none can
// be made: a folder closed for writing).
bool writeLockNote(const QString& catalogue);
// Removes the note when it is this process's own.
void removeLockNote(const QString& catalogue);

// The system's own parts (FilesPosix.cpp, FilesWindows.cpp).
QString computerName();
bool isZandrelProcess(qint64 process);

} // namespace platform
