#pragma once
// The values of a row an item change writes, as the loan rules read them.
#include "engine/Query.h"

#include <cmath>
#include <variant>

namespace rules {

using RowValue = std::variant<std::monostate, int64_t, double, QString>;

// The value of column in row (a change's before or after); Null when there is none.
inline RowValue valueIn(const engine::RowChange& change, const std::vector<RowValue>& row, const QString& column) {
    const int index = change.query->fieldIndex(column);
    return index >= 0 && size_t(index) < row.size() ? row[size_t(index)] : RowValue();
}

// An id: -1 for Null.
inline qint64 integerOf(const RowValue& v) {
    if (const auto* i = std::get_if<int64_t>(&v))
        return *i;
    if (const auto* d = std::get_if<double>(&v))
        return qint64(*d);
    return -1;
}

// A day number: NaN for Null.
inline double dayOf(const RowValue& v) {
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* i = std::get_if<int64_t>(&v))
        return double(*i);
    return NAN;
}

} // namespace rules
