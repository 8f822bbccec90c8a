#include "platform/Version.h"

namespace platform {

namespace {

std::optional<std::optional<QString>>& override_() {
    static std::optional<std::optional<QString>> v;
    return v;
}

} // namespace

std::optional<QString> executableVersion() {
    if (override_())
        return *override_();
        // Defined by platform/CMakeLists.txt for this file only, and only when the
        // project version has all four parts.
#ifdef ZANDREL_FILE_VERSION
    return QStringLiteral(ZANDREL_FILE_VERSION);
#else
    return std::nullopt;
#endif
}

void overrideExecutableVersion(std::optional<std::optional<QString>> v) { override_() = std::move(v); }

} // namespace platform
