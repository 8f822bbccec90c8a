#pragma once
// Desktop notifications: the desktop's own notification service where the
// system has one (on Linux the freedesktop.org service on the session bus).
#include <QString>

#include <functional>

namespace platform {

struct Notification {
    QString summary;
    QString body;
    bool critical = false;  // stays until the user dismisses it
    QString desktopEntry;   // the menu entry it comes from, without ".desktop"
    QString actionLabel;    // one action («Открыть»); none when empty
};

// Shows each notification and waits, at most waitMs, until each is closed or
// its action picked (onAction(index) then); without actions, or where the
// service offers none, it returns at once. False when there is no service
// (no session bus, no server): nothing was shown.
bool showNotifications(const QList<Notification>& notifications, const std::function<void(int)>& onAction,
                       int waitMs);

} // namespace platform
