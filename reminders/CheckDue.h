#pragma once
// «zandrel --check-due»: looks at catalogues for loans due by tomorrow or
// overdue, without a window and without writing to them, and tells the
// lender through the desktop's notifications (or on standard output where
// there are none), once a day per catalogue.
#include <QString>
#include <QStringList>

#include <functional>

namespace reminders {

// The command-line option that runs the check: «--check-due».
inline constexpr char kCheckOption[] = "check-due";

struct CheckRequest {
    QStringList files;  // none: the catalogues chosen for reminders
    bool force = false; // tell again what was told today
    // Starts the program on a catalogue with its debt search shown («Открыть»).
    std::function<void(const QString& file)> open;
    // How long the notices wait for «Открыть»: a server that lets a notice
    // expire may never say so.
    int waitMs = 10 * 60 * 1000;
};

// The status the process ends with: 0, also when catalogues were skipped.
int checkDue(const CheckRequest& request);

// The file that keeps the day each catalogue was last told of.
QString noticeDaysFile();

} // namespace reminders
