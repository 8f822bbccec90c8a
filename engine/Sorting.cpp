#include "engine/Sorting.h"

#include "engine/Unicode.h"

#include <algorithm>

namespace engine {
namespace {

template <class Key, class Less>
void sortByKey(const Snapshot& s, size_t column, bool descending, std::vector<uint32_t>& order,
               Key (*keyOf)(const Snapshot&, uint32_t, size_t), Less tieLess) {
    struct Entry { Key key; uint32_t row; uint32_t pos; };
    std::vector<uint32_t> nulls;
    std::vector<Entry> entries;
    entries.reserve(order.size());
    for (uint32_t pos = 0; pos < order.size(); ++pos) {
        const uint32_t row = order[pos];
        if (s.isNull(row, column)) nulls.push_back(row);
        else entries.push_back({keyOf(s, row, column), row, pos});
    }
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (a.key != b.key)
            return descending ? b.key < a.key : a.key < b.key;
        const int c = tieLess(a.row, b.row);
        if (c != 0)
            return descending ? c > 0 : c < 0;
        return a.pos < b.pos;
    });
    size_t k = 0;
    if (!descending)
        for (uint32_t row : nulls) order[k++] = row;
    for (const Entry& e : entries) order[k++] = e.row;
    if (descending)
        for (uint32_t row : nulls) order[k++] = row;
}

uint64_t textKey(const Snapshot& s, uint32_t row, size_t column) { return unicode::foldedPrefixKey(s.text(row, column)); }
int64_t integerKey(const Snapshot& s, uint32_t row, size_t column) { return s.integer(row, column); }
double realKey(const Snapshot& s, uint32_t row, size_t column) { return s.real(row, column); }

} // namespace

void sortRows(const Snapshot& s, size_t column, bool descending, std::vector<uint32_t>& order) {
    switch (s.storage(column)) {
    case Snapshot::Storage::Text:
        // Equal 8-byte prefixes need the whole texts compared.
        sortByKey<uint64_t>(s, column, descending, order, textKey, [&](uint32_t a, uint32_t b) {
            return unicode::compareFolded(s.text(a, column), s.text(b, column));
        });
        break;
    case Snapshot::Storage::Integer:
        sortByKey<int64_t>(s, column, descending, order, integerKey, [](uint32_t, uint32_t) { return 0; });
        break;
    case Snapshot::Storage::Real:
        sortByKey<double>(s, column, descending, order, realKey, [](uint32_t, uint32_t) { return 0; });
        break;
    }
}

} // namespace engine
