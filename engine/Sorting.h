#pragma once
#include "engine/Snapshot.h"

#include <cstdint>
#include <vector>

namespace engine {

// Reorders order (snapshot rows in view order) by one column: Nulls first
// (last when descending), text in the collation order (case ignored),
// rows with equal values kept in file order.
void sortRows(const Snapshot& snapshot, size_t column, bool descending, std::vector<uint32_t>& order);

} // namespace engine
