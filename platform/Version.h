#pragma once

#include <QString>

#include <optional>

namespace platform {

// The program's name in its windows, message boxes, notices and files.
inline QString programTitle() { return QStringLiteral("Zandrel"); }
// Its id on the desktop: the menu entry's name, the icon's, the notices'.
inline QString applicationId() { return QStringLiteral("org.example.zandrel"); }

// The executable's four-part file version ("2.0.11.305"), stamped in at build
// time from the project version; nullopt when the build has none.
std::optional<QString> executableVersion();

// Tests: an outer nullopt removes the override, an inner nullopt pretends the
// executable carries no version.
void overrideExecutableVersion(std::optional<std::optional<QString>> v);

} // namespace platform
