#pragma once
// Timing and memory: medians of interleaved runs, peak memory of the
// process and of a forked child, and the printed tables.
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace bench {

// One side of a comparison: the timed work (returns the rows it saw) and
// untimed tidying after each run.
struct Side {
    std::function<int64_t()> work;
    std::function<void()> after;
};

struct Comparison {
    QString name;
    std::vector<double> oursMs, sqliteMs;
    int64_t oursRows = 0, sqliteRows = 0; // of the last run
    bool paired = false;                  // run i of both sides taken together
    double ours() const;                  // medians
    double sqlite() const;
    // ours / SQLite: of the medians, or where the runs are paired the
    // median of each pair's ratio (what the machine did meanwhile cancels).
    double ratio() const;
};

// Runs both sides runs times, alternating so that both meet the same
// caches; sqliteFirst puts SQLite first in each round, for work that
// changes the file (each side then sees the same file state).
Comparison compare(const QString& name, int runs, const Side& ours, const Side& sqlite, bool sqliteFirst = false);

// Peak resident memory (VmHWM) of this process, in bytes; -1 if unknown.
int64_t peakMemory();

struct MemoryGrowth {
    double bytesPerItem = -1;
    int64_t bytes = 0;
    int64_t rows = 0;
    bool peakReset = false; // false: the child's peak may include the parent's
    QString error;
};

// In a forked child, so the peak starts from the current size: setup runs
// first (not measured), then the growth of peak memory across work is
// divided by the rows work returns.
MemoryGrowth measureMemoryGrowth(const std::function<void()>& setup, const std::function<int64_t()>& work);

void printHeader();
void printComparison(const Comparison& c);

// Per-item cost in nanoseconds for one size of the growth table.
struct GrowthRow {
    int64_t items = 0;
    Comparison open, search;
};
void printGrowth(const std::vector<GrowthRow>& rows);

} // namespace bench
