#pragma once

#include <QString>

#include <functional>

namespace platform {

// Opens a web address or a "mailto:" address with the desktop's handler.
// Returns false when nothing could open it.
bool shellOpen(const QString& address);

// Tests record what would be opened. Pass an empty function to restore.
using ShellHandler = std::function<bool(const QString&)>;
ShellHandler setShellHandler(ShellHandler h); // returns the handler it replaces

} // namespace platform
