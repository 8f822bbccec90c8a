#include "platform/WindowFrame.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <memory>

namespace platform {

namespace {

// Looks for the window's frame from each showing on: a window manager sets
// it (on X11, _NET_FRAME_EXTENTS) after mapping the window, with nothing
// that reaches the window as an event.
class FrameWatch : public QObject {
public:
    FrameWatch(QWidget* window, std::function<void(QSize)> changed)
        : QObject(window), m_window(window), m_changed(std::move(changed)) {
        window->installEventFilter(this);
        m_poll.setInterval(25);
        connect(&m_poll, &QTimer::timeout, this, [this] { look(); });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Show:
            m_looks = m_framedAt = 0;
            m_poll.start();
            break;
        case QEvent::Hide: m_poll.stop(); break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate: QTimer::singleShot(0, this, [this] { look(); }); break;
        default: break;
        }
        return false;
    }

private:
    void look() {
        // Until a frame has held for half a second, or for fifteen seconds
        // where none comes (no window manager, or a busy one).
        ++m_looks;
        if ((m_framedAt > 0 && m_looks - m_framedAt > 20) || m_looks > 600)
            m_poll.stop();
        if (!m_window || !m_window->isVisible() || !m_window->windowHandle())
            return;
        const QMargins m = m_window->windowHandle()->frameMargins();
        const QSize frame(m.left() + m.right(), m.top() + m.bottom());
        if (frame == m_frame)
            return;
        m_frame = frame;
        m_framedAt = frame.isNull() ? 0 : m_looks;
        m_changed(frame);
    }

    QPointer<QWidget> m_window;
    std::function<void(QSize)> m_changed;
    QTimer m_poll;
    int m_looks = 0, m_framedAt = 0; // looks since the showing; the look that found a frame
    QSize m_frame{0, 0};
};

// Keeps the outer sizes as the frame becomes known or changes: the client
// sizes are set so that they hold, unless the user sized the window.
class OuterSize {
public:
    OuterSize(QWidget* window, QSize outer, QSize minimumOuter)
        : m_window(window), m_outer(outer), m_minimum(minimumOuter) {
        window->setMinimumSize(minimumOuter);
        window->resize(outer);
    }
    void follow(QSize frame) {
        if (!m_window)
            return;
        const bool asGiven = m_window->size() == m_outer - m_frame;
        m_frame = frame;
        m_window->setMinimumSize(m_minimum - frame);
        if (asGiven)
            m_window->resize(m_outer - frame);
    }

private:
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

void setOuterSize(QWidget* window, QSize outer, QSize minimumOuter) {
    auto size = std::make_shared<OuterSize>(window, outer, minimumOuter);
    followFrame(window, [size](QSize frame) { size->follow(frame); });
}

void followFrame(QWidget* window, std::function<void(QSize frame)> changed) {
    new FrameWatch(window, std::move(changed));
}

} // namespace platform
