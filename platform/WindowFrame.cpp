#include "platform/WindowFrame.h"

#include <QWidget>

namespace platform {

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
