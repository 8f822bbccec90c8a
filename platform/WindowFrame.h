#pragma once
// The frames of the program's dialogs: which title-bar buttons a window
// manager is asked to show, and whether the window can be resized.
#include <QSize>

#include <functional>

class QWidget;

namespace platform {

enum class TitleButtons {
    None,             // a title bar alone
    Close,            // the system menu's close button
    MinimizeAndClose, // system menu, minimise and close; never maximise
};

// A dialog frame with the given buttons, fixed at the window's present size.
void setFixedFrame(QWidget* window, TitleButtons buttons);

// A resizable window whose frame counts: outer (frame and title bar
// included) is its first size, minimumOuter its least. The frame's size is
// known only once a window manager has framed the window, so the sizes are
// adjusted then; a size the user gave the window stays.
void setOuterSize(QWidget* window, QSize outer, QSize minimumOuter);

// Calls changed whenever the frame the window manager gives window differs
// from the one seen before: the frame arrives some time after the window is
// shown, by no event of its own, so it is looked for at every showing until
// it has held for a while.
void followFrame(QWidget* window, std::function<void(QSize frame)> changed);

} // namespace platform
