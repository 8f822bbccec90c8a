#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {

namespace {

ShellHandler& handler() {
    static ShellHandler h;
    return h;
}

} // namespace

bool shellOpen(const QString& address) {
    if (handler())
        return handler()(address);
    // fromUserInput keeps "mailto:" and "https://" as they are and makes a
    // bare "www.example.ru" a web address.
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    if (!url.isValid() || url.isEmpty())
        return false;
    return QDesktopServices::openUrl(url);
}

ShellHandler setShellHandler(ShellHandler h) {
    ShellHandler previous = std::move(handler());
    handler() = std::move(h);
    return previous;
}

} // namespace platform
