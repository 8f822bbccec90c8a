#pragma once
// Notices shown as messages of a notification area, the way Windows shows
// them: one message for each notice, waited for until it is clicked or
// closed. The area is Windows' own, or one that records what it would show
// (ZANDREL_NOTICE_RECORD names its file), so the notices can be checked
// on either system.
#include "platform/Notifications.h"

#include <functional>
#include <memory>

namespace platform {

// How a notice appears in the area: a warning stays longer.
struct AreaMessage {
    QString title;
    QString text;
    bool warning = false;
    int shownMs = 0;
};
AreaMessage areaMessageOf(const Notification& notice);

class NoticeArea {
public:
    virtual ~NoticeArea() = default;
    virtual bool available() const = 0;
    // Shows message index; later, from the event loop, the area calls
    // clicked(index) or closed() (which one is not always known).
    virtual void show(int index, const AreaMessage& message) = 0;

    std::function<void(int)> clicked;
    std::function<void()> closed;
};

// Shows each notice in area; a notice is told to notShown when the area is
// not available. Waits, at most waitMs, until each one shown is clicked
// (onAction(index) then, when it has an action) or closed.
void showInArea(NoticeArea& area, const QList<Notification>& notices, const std::function<void(int)>& onAction,
                const std::function<void(int)>& notShown, int waitMs);

// The recording area when ZANDREL_NOTICE_RECORD names a file, else none.
// Each message is a line of the file: index, "warning" or "information",
// milliseconds shown, title and text, by tabs; a backslash written as \\,
// a line break as \n.
// The answers are lines of the file named with ".answer" added: "click N"
// or "close".
std::unique_ptr<NoticeArea> recordedArea();

// The system's own service: freedesktop.org's on Linux, the notification
// area on Windows.
void showSystemNotifications(const QList<Notification>& notifications, const std::function<void(int)>& onAction,
                             const std::function<void(int)>& notShown, int waitMs);

} // namespace platform
