#pragma once
// The frames of the program's dialogs: which title-bar buttons a window
// manager is asked to show, and whether the window can be resized.
class QWidget;

namespace platform {

enum class TitleButtons {
    None,             // a title bar alone
    Close,            // the system menu's close button
    MinimizeAndClose, // system menu, minimise and close; never maximise
};

// A dialog frame with the given buttons, fixed at the window's present size.
void setFixedFrame(QWidget* window, TitleButtons buttons);

} // namespace platform
