// Notices on Windows: messages of icons in the notification area, which
// Windows 10 and 11 show as notifications (kept in the Action Center). One
// icon for each notice, so a click tells which one it was; each icon stays
// until its notice is clicked or closed, for the notice goes with it.
#include "platform/Notifications.h"
#include "platform/Version.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QEventLoop>
#include <QIcon>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>
#include <vector>

#include <windows.h>

#include <shellapi.h>

namespace platform {

namespace {

// A notice closed without a click (it timed out, or the user dismissed it)
// is told to its icon's window in the icon's callback message, which Qt
// passes over; Qt's windows use WM_APP + 101 for it.
class NoticesClosed : public QAbstractNativeEventFilter {
public:
    explicit NoticesClosed(std::function<void()> closed) : m_closed(std::move(closed)) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        const auto* msg = static_cast<const MSG*>(message);
        if (type == "windows_generic_MSG" && msg->message == WM_APP + 101) {
            const UINT event = LOWORD(msg->lParam);
            if (event == NIN_BALLOONTIMEOUT || event == NIN_BALLOONHIDE)
                m_closed();
        }
        return false;
    }

private:
    std::function<void()> m_closed;
};

} // namespace

void showNotifications(const QList<Notification>& notifications, const std::function<void(int)>& onAction,
                       const std::function<void(int)>& notShown, int waitMs) {
    // The notification area needs the widgets' application object.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !QSystemTrayIcon::isSystemTrayAvailable()
        || !QSystemTrayIcon::supportsMessages()) {
        for (int i = 0; i < notifications.size(); ++i)
            notShown(i);
        return;
    }
    QEventLoop loop;
    int open = 0;
    const auto oneClosed = [&] {
        if (--open <= 0)
            loop.quit();
    };
    std::vector<std::unique_ptr<QSystemTrayIcon>> icons;
    for (int i = 0; i < notifications.size(); ++i) {
        const Notification& n = notifications[i];
        auto icon = std::make_unique<QSystemTrayIcon>(QIcon(QStringLiteral(":/images/zandrel.png")));
        icon->setToolTip(programTitle());
        const bool acts = onAction && !n.actionLabel.isEmpty();
        QObject::connect(icon.get(), &QSystemTrayIcon::messageClicked, &loop, [&, i, acts] {
            if (acts)
                onAction(i);
            oneClosed();
        });
        icon->show();
        icon->showMessage(n.summary, n.body, n.critical ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information,
                          n.critical ? 60 * 1000 : 15 * 1000);
        ++open;
        icons.push_back(std::move(icon));
    }
    NoticesClosed closed(oneClosed);
    QCoreApplication::instance()->installNativeEventFilter(&closed);
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::instance()->removeNativeEventFilter(&closed);
}

} // namespace platform
