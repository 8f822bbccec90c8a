#pragma once

#include <QString>

#include <optional>

namespace platform {

// INI files read and written one key at a time. Section and key names are
// compared without regard to case; files are UTF-8.

// Returns def when the file, section or key is missing. At most 2047
// characters come back. A value is the text after the first "=", trimmed.
QString readProfileString(const QString& file, const QString& section, const QString& key, const QString& def);

// Writes one key, creating the file and the section on first write, and keeps
// every other line exactly as it was. Line breaks in value become spaces, since
// a value is one line. The file is replaced atomically, so a failed write never
// damages it. Returns false when the file can't be written, which includes a
// file or folder without any write permission.
bool writeProfileString(const QString& file, const QString& section, const QString& key, const QString& value);

// Integers as stored for switches: "0x"/"0X" followed by hex digits, or decimal
// with an optional sign; surrounding blanks are ignored. nullopt otherwise.
std::optional<long long> parseProfileInteger(const QString& value);

} // namespace platform
