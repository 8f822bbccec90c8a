#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {

namespace {

ShellHandler& handler()
{
    static ShellHandler h;
    return h;
}

} // namespace

bool shellOpen(const QString& address)
{
    if (handler())
        return handler()(address);
    // fromUserInput keeps "mailto:" and "https://" as they are and makes a
    // bare "www.example.ru" a web address.
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    if (!url.isValid() || url.isEmpty())
        return false;
    return QDesktopServices::openUrl(url);
}

void setShellHandler(ShellHandler h)
{
    handler() = std::move(h);
}

} // namespace platform
