#include "platform/WindowFrame.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace platform {

namespace {

// Follows the frame the window manager gives the window: whenever its size
// becomes known or changes, the client sizes are set so that the outer ones
// hold.
class OuterSize : public QObject {
public:
    OuterSize(QWidget* window, QSize outer, QSize minimumOuter)
        : QObject(window), m_window(window), m_outer(outer), m_minimum(minimumOuter) {
        window->setMinimumSize(minimumOuter);
        window->resize(outer);
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
            // Framing reaches Qt after these events: look again once they are handled.
            QTimer::singleShot(0, this, [this] { follow(); });
            break;
        default: break;
        }
        return false;
    }

private:
    void follow() {
        if (!m_window || !m_window->isVisible())
            return;
        const QSize frame = m_window->frameGeometry().size() - m_window->size();
        if (frame == m_frame)
            return;
        const bool asGiven = m_window->size() == m_outer - m_frame;
        m_frame = frame;
        m_window->setMinimumSize(m_minimum - frame);
        if (asGiven)
            m_window->resize(m_outer - frame);
    }

    QPointer<QWidget> m_window;
    const QSize m_outer, m_minimum;
    QSize m_frame{0, 0};
};

} // namespace

void setFixedFrame(QWidget* window, TitleButtons buttons) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (buttons != TitleButtons::None)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (buttons == TitleButtons::MinimizeAndClose)
        flags |= Qt::WindowMinimizeButtonHint;
    window->setWindowFlags(flags);
    // Equal least and greatest sizes: window managers offer no resizing.
    window->setFixedSize(window->size());
}

} // namespace platform

namespace platform {

void setOuterSize(QWidget* window, QSize outer, QSize minimumOuter) { new OuterSize(window, outer, minimumOuter); }

} // namespace platform
