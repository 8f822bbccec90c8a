// Notifications through org.freedesktop.Notifications on the session bus.
#include "platform/NoticeArea.h"
#include "platform/Version.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QEventLoop>
#include <QSet>
#include <QTimer>
#include <QVariantMap>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kActionKey = QStringLiteral("default-open");

// Waits for the answers to the notifications shown: each closed, or its action.
class Answers : public QObject {
    Q_OBJECT
public:
    Answers(const QList<uint>& ids, std::function<void(int)> onAction) : m_ids(ids), m_onAction(std::move(onAction)) {
        for (uint id : ids)
            m_open.insert(id);
    }
    void wait(int waitMs) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                    SLOT(actionInvoked(uint, QString)));
        bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this, SLOT(closed(uint, uint)));
        QTimer::singleShot(waitMs, &m_loop, &QEventLoop::quit);
        if (!m_open.isEmpty())
            m_loop.exec();
    }

public slots:
    void actionInvoked(uint id, const QString& key) {
        if (key == kActionKey && m_open.contains(id))
            m_onAction(int(m_ids.indexOf(id)));
        closed(id, 0);
    }
    void closed(uint id, uint) {
        m_open.remove(id);
        if (m_open.isEmpty())
            m_loop.quit();
    }

private:
    QList<uint> m_ids;
    QSet<uint> m_open;
    std::function<void(int)> m_onAction;
    QEventLoop m_loop;
};

} // namespace

void showSystemNotifications(const QList<Notification>& notifications, const std::function<void(int)>& onAction,
                             const std::function<void(int)>& notShown, int waitMs) {
    const auto noneShownFrom = [&](qsizetype first) {
        for (qsizetype i = first; i < notifications.size(); ++i)
            notShown(int(i));
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return noneShownFrom(0);
    QDBusInterface server(kService, kPath, kService, bus);
    const QDBusReply<QStringList> capabilities = server.call(QStringLiteral("GetCapabilities"));
    if (!capabilities.isValid())
        return noneShownFrom(0);
    const bool actions = capabilities.value().contains(QStringLiteral("actions"));
    QList<uint> ids;
    bool waitForAction = false;
    for (const Notification& n : notifications) {
        QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(uchar(n.critical ? 2 : 1))}};
        if (!n.desktopEntry.isEmpty())
            hints.insert(QStringLiteral("desktop-entry"), n.desktopEntry);
        QStringList actionList;
        if (actions && !n.actionLabel.isEmpty())
            actionList << kActionKey << n.actionLabel;
        const QDBusReply<uint> id = server.call(QStringLiteral("Notify"), programTitle(), uint(0), n.desktopEntry,
                                                n.summary, n.body, actionList, hints, int(-1));
        if (!id.isValid())
            break; // the service failed: those shown are waited for, the rest told another way
        ids << id.value();
        waitForAction = waitForAction || !actionList.isEmpty();
    }
    noneShownFrom(ids.size());
    if (waitForAction)
        Answers(ids, onAction).wait(waitMs);
}

} // namespace platform

#include "NotificationsDbus.moc"
