// Where the program knows no notification service of the system (Windows
// for now): nothing is shown, and the caller prints the text instead.
#include "platform/Notifications.h"

namespace platform {

void showNotifications(const QList<Notification>& notifications, const std::function<void(int)>&,
                       const std::function<void(int)>& notShown, int) {
    for (int i = 0; i < notifications.size(); ++i)
        notShown(i);
}

} // namespace platform
