#include "engine/Sorting.h"

#include "engine/Collation.h"

#include <algorithm>
#include <cstring>

namespace engine {
namespace {

// Packed: one entry per row lives through the sort, next to the snapshot.
struct __attribute__((packed)) Entry {
    uint64_t key;
    uint64_t next; // texts: the following 8 key bytes, while known
    uint32_t row;  // equal keys keep file order
};

// Orders by key (reversed when descending), then by file order.
void sortByKey(std::vector<Entry>::iterator begin, std::vector<Entry>::iterator end, bool descending) {
    std::sort(begin, end, [descending](const Entry& a, const Entry& b) {
        if (a.key != b.key)
            return descending ? b.key < a.key : a.key < b.key;
        return a.row < b.row;
    });
}

// Texts with equal primary keys: by their marks (е before ё), then by file
// order.
void sortWhole(const Snapshot& s, size_t column, bool descending, std::vector<Entry>::iterator begin,
               std::vector<Entry>::iterator end) {
    std::sort(begin, end, [&](const Entry& a, const Entry& b) {
        const int c = collation::compare(s.text(a.row, column), s.text(b.row, column));
        if (c != 0)
            return descending ? c > 0 : c < 0;
        return a.row < b.row;
    });
}

void setKeys(const Snapshot& s, size_t column, Entry& e, size_t skip) {
    const collation::KeyPair keys = collation::primaryKeysAt(s.text(e.row, column), skip);
    e.key = keys.first;
    e.next = keys.second;
}

// Texts: sorted by 8 bytes of their primary collation key (bytes skip..),
// then each run of equal keys by the next 8 bytes, and so on. Keys are plain
// integers, so most comparisons never look at the texts. With nextKnown the
// entries already hold the following 8 bytes.
void sortTextRuns(const Snapshot& s, size_t column, bool descending, std::vector<Entry>& entries, size_t begin,
                  size_t end, size_t skip, bool nextKnown) {
    if (skip >= 32) {
        // Texts alike in their first 32 key bytes are few: compare them whole
        // rather than make their keys again level by level.
        sortWhole(s, column, descending, entries.begin() + begin, entries.begin() + end);
        return;
    }
    sortByKey(entries.begin() + begin, entries.begin() + end, descending);
    size_t run = begin;
    while (run < end) {
        size_t next = run + 1;
        while (next < end && entries[next].key == entries[run].key)
            ++next;
        if (next - run > 1) {
            // A key whose last byte is 0 ends its text: the run differs, if at
            // all, in marks alone.
            if ((entries[run].key & 0xFF) == 0) {
                sortWhole(s, column, descending, entries.begin() + run, entries.begin() + next);
            } else {
                for (size_t k = run; k < next; ++k) {
                    if (nextKnown)
                        entries[k].key = entries[k].next;
                    else
                        setKeys(s, column, entries[k], skip + 8);
                }
                sortTextRuns(s, column, descending, entries, run, next, skip + 8, !nextKnown);
            }
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
    for (const uint32_t row : order) {
        if (s.isNull(row, column)) {
            nulls.push_back(row);
            continue;
        }
        Entry e{0, 0, row};
        if (storage == Snapshot::Storage::Text) {
            setKeys(s, column, e, 0);
        } else if (storage == Snapshot::Storage::Integer) {
            e.key = static_cast<uint64_t>(s.integer(row, column)) ^ (uint64_t(1) << 63); // signed order
        } else {
            // IEEE order as unsigned integers: flip all bits of negatives,
            // the sign bit of the rest.
            uint64_t bits;
            const double v = s.real(row, column) == 0 ? 0.0 : s.real(row, column);
            std::memcpy(&bits, &v, sizeof bits);
            e.key = (bits & (uint64_t(1) << 63)) ? ~bits : bits | (uint64_t(1) << 63);
        }
        entries.push_back(e);
    }
    if (storage == Snapshot::Storage::Text)
        sortTextRuns(s, column, descending, entries, 0, entries.size(), 0, true);
    else
        sortByKey(entries.begin(), entries.end(), descending);
    size_t k = 0;
    if (!descending)
        for (uint32_t row : nulls)
            order[k++] = row;
    for (const Entry& e : entries)
        order[k++] = e.row;
    if (descending)
        for (uint32_t row : nulls)
            order[k++] = row;
}

} // namespace engine
