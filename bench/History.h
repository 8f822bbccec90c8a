#pragma once
// What keeping the loan history costs a post: 10,000 edits that each move a
// lent item's due date, posted with the history written in the same
// transaction ("ours") and without it (the "SQLite" column).
#include "bench/Measurements.h"

#include <QString>

namespace bench {

Comparison postWithHistory(const QString& path, int runs);

} // namespace bench
