#include "engine/Sorting.h"

#include "engine/Unicode.h"

#include <algorithm>
#include <cstring>

namespace engine {
namespace {

struct Entry {
    uint64_t key;
    uint32_t row;
    uint32_t pos; // place before the sort: equal values keep their order
};

// Orders by key (reversed when descending), then by previous place.
void sortByKey(std::vector<Entry>::iterator begin, std::vector<Entry>::iterator end, bool descending) {
    std::sort(begin, end, [descending](const Entry& a, const Entry& b) {
        if (a.key != b.key)
            return descending ? b.key < a.key : a.key < b.key;
        return a.pos < b.pos;
    });
}

// Texts: sorted by the first 8 bytes of their folded form, then each run of
// equal keys by the next 8 bytes, and so on. Keys are plain integers, so the
// comparisons never fold or decode text.
void sortTextRuns(const Snapshot& s, size_t column, bool descending, std::vector<Entry>& entries, size_t begin,
                  size_t end, size_t skip) {
    if (skip >= 16) {
        // Texts alike in their first 16 folded bytes are few: compare them
        // whole rather than fold them again level by level.
        std::sort(entries.begin() + begin, entries.begin() + end, [&](const Entry& a, const Entry& b) {
            const int c = unicode::compareFolded(s.text(a.row, column), s.text(b.row, column));
            if (c != 0)
                return descending ? c > 0 : c < 0;
            return a.pos < b.pos;
        });
        return;
    }
    sortByKey(entries.begin() + begin, entries.begin() + end, descending);
    size_t run = begin;
    while (run < end) {
        size_t next = run + 1;
        while (next < end && entries[next].key == entries[run].key)
            ++next;
        // A key whose last byte is 0 ends its text: the run's texts are equal.
        if (next - run > 1 && (entries[run].key & 0xFF) != 0) {
            for (size_t k = run; k < next; ++k)
                entries[k].key = unicode::foldedKeyAt(s.text(entries[k].row, column), skip + 8);
            sortTextRuns(s, column, descending, entries, run, next, skip + 8);
        }
        run = next;
    }
}

} // namespace

void sortRows(const Snapshot& s, size_t column, bool descending, std::vector<uint32_t>& order) {
    const Snapshot::Storage storage = s.storage(column);
    std::vector<uint32_t> nulls;
    std::vector<Entry> entries;
    entries.reserve(order.size());
    for (uint32_t pos = 0; pos < order.size(); ++pos) {
        const uint32_t row = order[pos];
        if (s.isNull(row, column)) {
            nulls.push_back(row);
            continue;
        }
        uint64_t key = 0;
        if (storage == Snapshot::Storage::Text) {
            key = unicode::foldedPrefixKey(s.text(row, column));
        } else if (storage == Snapshot::Storage::Integer) {
            key = static_cast<uint64_t>(s.integer(row, column)) ^ (uint64_t(1) << 63); // signed order
        } else {
            // IEEE order as unsigned integers: flip all bits of negatives,
            // the sign bit of the rest.
            uint64_t bits;
            const double v = s.real(row, column) == 0 ? 0.0 : s.real(row, column);
            std::memcpy(&bits, &v, sizeof bits);
            key = (bits & (uint64_t(1) << 63)) ? ~bits : bits | (uint64_t(1) << 63);
        }
        entries.push_back({key, row, pos});
    }
    if (storage == Snapshot::Storage::Text)
        sortTextRuns(s, column, descending, entries, 0, entries.size(), 0);
    else
        sortByKey(entries.begin(), entries.end(), descending);
    size_t k = 0;
    if (!descending)
        for (uint32_t row : nulls) order[k++] = row;
    for (const Entry& e : entries) order[k++] = e.row;
    if (descending)
        for (uint32_t row : nulls) order[k++] = row;
}

} // namespace engine
