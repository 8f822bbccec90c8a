#pragma once
// A SQLite file layer for tests that fails on command: the Nth write, sync or
// truncate from the moment it is armed returns an error, as a failing disk or
// a full one would. Until then, and once disarmed, it passes everything to
// SQLite's own layer. It becomes the default for every connection opened
// after install().
#include <cstdint>

namespace faulty {

void install();

// The nth write, sync or truncate from now fails with code (SQLITE_IOERR,
// SQLITE_FULL, ...), and so does every one after it until disarm().
void failAt(int64_t nth, int code);
// Every sync of a file whose path holds part fails, until disarm().
void failSyncsOf(const char* part);
void disarm();

// Writes, syncs and truncates since the last failAt().
int64_t operations();
// Whether the armed failure has happened.
bool fired();

} // namespace faulty
