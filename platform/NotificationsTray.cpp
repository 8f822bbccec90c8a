// Notices on Windows: messages of icons in the notification area, which
// Windows 10 and 11 show as notifications (kept in the Action Center). One
// icon for each notice, so a click tells which one it was; each icon stays
// until its notice is clicked or closed, for the notice goes with it.
#include "platform/NoticeArea.h"
#include "platform/Version.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QIcon>
#include <QSystemTrayIcon>

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

class TrayArea : public NoticeArea {
public:
    TrayArea()
        : m_filter([this] {
              if (closed)
                  closed();
          }) {
        if (available())
            QCoreApplication::instance()->installNativeEventFilter(&m_filter);
    }
    ~TrayArea() override {
        if (available())
            QCoreApplication::instance()->removeNativeEventFilter(&m_filter);
    }
    // The notification area needs the widgets' application object.
    bool available() const override {
        return qobject_cast<QApplication*>(QCoreApplication::instance()) && QSystemTrayIcon::isSystemTrayAvailable()
               && QSystemTrayIcon::supportsMessages();
    }
    void show(int index, const AreaMessage& message) override {
        auto icon = std::make_unique<QSystemTrayIcon>(QIcon(QStringLiteral(":/images/zandrel.png")));
        icon->setToolTip(programTitle());
        QObject::connect(icon.get(), &QSystemTrayIcon::messageClicked, icon.get(), [this, index] {
            if (clicked)
                clicked(index);
        });
        icon->show();
        icon->showMessage(message.title, message.text,
                          message.warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information, message.shownMs);
        m_icons.push_back(std::move(icon));
    }

private:
    NoticesClosed m_filter;
    std::vector<std::unique_ptr<QSystemTrayIcon>> m_icons;
};

} // namespace

void showSystemNotifications(const QList<Notification>& notifications, const std::function<void(int)>& onAction,
                             const std::function<void(int)>& notShown, int waitMs) {
    TrayArea area;
    showInArea(area, notifications, onAction, notShown, waitMs);
}

} // namespace platform
