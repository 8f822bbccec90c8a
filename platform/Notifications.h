#pragma once
// Desktop notifications: the desktop's own notification service where the
// system has one (on Linux the freedesktop.org service on the session bus,
// on Windows the notification area), or the recording area of the tests
// (platform/NoticeArea.h).
#include <QString>

#include <functional>

namespace platform {

struct Notification {
    QString summary;
    QString body;
    bool critical = false; // stays until the user dismisses it
    QString desktopEntry;  // the menu entry it comes from, without ".desktop"
    QString actionLabel;   // one action («Открыть»); none when empty
};

// Shows the notifications in turn. Each one the service does not take (all
// of them where there is no service: no session bus, no server) goes to
// notShown(index) at once, so the caller tells it another way. Then waits,
// at most waitMs, until each one shown is closed or its action picked
// (onAction(index) then); without actions, or where the service offers
// none, it returns at once.
void showNotifications(const QList<Notification>& notifications, const std::function<void(int)>& onAction,
                       const std::function<void(int)>& notShown, int waitMs);

} // namespace platform
