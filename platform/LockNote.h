#pragma once
// The note beside a catalogue that says who has it open for writing:
// "<catalogue>.lock", holding the user, the computer, the process and the
// time. It is written whole under a name of its own and then put in place
// without replacing a note that is there, so another program never reads a
// half-written note, and of two programs claiming the catalogue at one
// moment exactly one succeeds. Another program reads it to tell the user; a
// note of a program that is gone is replaced without asking.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace platform {

struct LockNote {
    QString user, computer;
    qint64 process = 0;
    QDateTime since;
    QByteArray text;   // the note as it lies, to tell it from another
    QDateTime written; // when the file was last written
    // Holds an owner: a note left empty or cut short by an older program
    // names nobody.
    bool readable() const { return process > 0 && !computer.isEmpty(); }
    // Its program still runs: on this computer a Zandrel process of that id;
    // on another, a note younger than twelve hours; a note that names nobody
    // while it is younger than a minute (it may be being written).
    bool ownerAlive() const;
    bool ours() const; // this very process wrote it
};

QString lockNotePath(const QString& catalogue);
std::optional<LockNote> readLockNote(const QString& catalogue);

enum class NoteClaim {
    Made,   // the note is this process's
    Taken,  // another program's note is there
    NotMade // none could be written (a full disk, a folder closed for writing): nothing left behind
};
// Makes this process's note, never replacing one that is there.
NoteClaim claimLockNote(const QString& catalogue);
// Replaces the note seen (one of a program gone, or one the user chose to
// disregard) with this process's; Taken when meanwhile another program
// replaced it first.
NoteClaim takeOverLockNote(const QString& catalogue, const LockNote& seen);
// Removes the note when it is this process's own.
void removeLockNote(const QString& catalogue);

// The system's own parts (FilesPosix.cpp, FilesWindows.cpp).
QString computerName();
QString accountName(); // the user's account, asked of the system
bool isZandrelProcess(qint64 process);

} // namespace platform
