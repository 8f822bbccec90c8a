#pragma once
// What the loan rules cost a lend: lends through the data module (the desk's
// way, with the loan history) to a person the rules apply to, holding 50
// items in 200 tables, against the same lends to a person no rule names
// (the "SQLite" column).
#include "bench/Measurements.h"

#include <QString>
#include <QStringList>

namespace bench {

Comparison lendWithRules(const QString& path, const QStringList& tables, int runs);

} // namespace bench
