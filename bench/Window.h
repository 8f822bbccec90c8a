#pragma once
// The debt search as a user starts it: the main window's own handler, run
// offscreen on the generated file.
#include "bench/Measurements.h"

#include <QString>

namespace bench {

// Times the handler runs times; the SQLite side is taken from plainDebts,
// plain SQLite reading the due rows of every item table.
Comparison debtSearchInTheWindow(const QString& path, const Comparison& plainDebts, int runs);

// The contacts window opened and painted with the loan history's figures
// ("ours") against the same window as it was without them ("SQLite").
Comparison contactsWindowWithHistory(const QString& path, int runs);

} // namespace bench
