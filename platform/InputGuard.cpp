#include "platform/InputGuard.h"

#include <QApplication>
#include <QEvent>
#include <QProgressDialog>
#include <QWidget>

namespace platform {

namespace {

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::Close: return true;
    default: return false;
    }
}

} // namespace

InputOnlyFor::InputOnlyFor(QWidget* allowed) : m_allowed(allowed) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w != allowed)
            m_before << w;
    qApp->installEventFilter(this);
}

InputOnlyFor::~InputOnlyFor() { qApp->removeEventFilter(this); }

bool InputOnlyFor::eventFilter(QObject* watched, QEvent* event) {
    if (!isUserInput(event->type()) || !watched->isWidgetType())
        return false;
    const auto* widget = static_cast<QWidget*>(watched);
    if (m_allowed && (widget == m_allowed || m_allowed->isAncestorOf(widget)))
        return false;
    // A message the command shows answers as any: it waits for the user.
    const QWidget* window = widget->window();
    if (window->isModal() && !m_before.contains(window))
        return false;
    // A close request stays unanswered: the window stays open.
    event->ignore();
    return true;
}

WaitCursor::WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }

WaitCursor::~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }

std::unique_ptr<QProgressDialog> progressWindow(QWidget* parent, const QString& objectName, const QString& title,
                                                const QString& text) {
    auto progress = std::make_unique<QProgressDialog>(text, QStringLiteral("Отмена"), 0, 1000, parent);
    progress->setObjectName(objectName);
    progress->setWindowTitle(title);
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(500);
    progress->setAutoReset(false);
    progress->setValue(0);
    return progress;
}

} // namespace platform
