#include "controls/Writers.h"

#include "engine/Connection.h"

#include <QAbstractButton>
#include <QAction>
#include <QEvent>
#include <QWidget>

namespace writers {

namespace {

const char* const kWrites = "writes";
const char* const kWanted = "enabledByItsWindow"; // the state the window's rules want

QPointer<engine::Connection>& followed() {
    static QPointer<engine::Connection> connection;
    return connection;
}

bool readOnlyNow() { return followed() && followed()->openMode() == engine::OpenMode::ReadOnly; }

QList<QPointer<QObject>>& all() {
    static QList<QPointer<QObject>> writers;
    return writers;
}

bool enabledOf(const QObject* o) {
    if (const auto* a = qobject_cast<const QAction*>(o))
        return a->isEnabled();
    return static_cast<const QWidget*>(o)->isEnabled();
}

void setEnabledOf(QObject* o, bool enabled) {
    if (auto* a = qobject_cast<QAction*>(o))
        a->setEnabled(enabled);
    else
        static_cast<QWidget*>(o)->setEnabled(enabled);
}

// Off again whenever something turns it on while the catalogue is only
// read; what was asked for is kept for later.
void keepOff(QObject* o) {
    if (o->property("forcing").toBool())
        return;
    if (!readOnlyNow()) {
        o->setProperty(kWanted, enabledOf(o));
        return;
    }
    if (enabledOf(o)) {
        o->setProperty(kWanted, true);
        o->setProperty("forcing", true);
        setEnabledOf(o, false);
        o->setProperty("forcing", false);
    }
}

// Buttons tell of their enabled state by an event only.
class ButtonWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange)
            keepOff(watched);
        return false;
    }
};

} // namespace

void declare(QObject* command) {
    if (all().contains(command))
        return;
    command->setProperty(kWrites, true);
    all().removeAll(nullptr);
    all().append(command);
    if (auto* a = qobject_cast<QAction*>(command)) {
        QObject::connect(a, &QAction::changed, a, [a] { keepOff(a); });
    } else {
        static ButtonWatcher* watcher = new ButtonWatcher();
        command->installEventFilter(watcher);
    }
    keepOff(command);
}

void adopt(QWidget* window) {
    for (QObject* o : window->findChildren<QObject*>())
        if (o->property(kWrites).toBool() && (qobject_cast<QAction*>(o) || qobject_cast<QAbstractButton*>(o)))
            declare(o);
}

bool declared(const QObject* command) { return command && command->property(kWrites).toBool(); }

namespace {

void applyMode() {
    const bool readOnly = readOnlyNow();
    all().removeAll(nullptr);
    for (const QPointer<QObject>& o : std::as_const(all())) {
        o->setProperty("forcing", true);
        setEnabledOf(o, !readOnly && o->property(kWanted).toBool());
        o->setProperty("forcing", false);
    }
}

} // namespace

void follow(engine::Connection* connection) {
    static QMetaObject::Connection following;
    QObject::disconnect(following);
    followed() = connection;
    following = QObject::connect(connection, &engine::Connection::opened, connection, [] { applyMode(); });
    applyMode();
}

bool readOnly() { return readOnlyNow(); }

} // namespace writers
