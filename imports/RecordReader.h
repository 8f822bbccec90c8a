#pragma once
// A list's records read and mapped on a thread of their own, a batch at a
// time, while the caller writes the ones before them: reading and writing
// a large list overlap on two cores.
#include "imports/RowMapping.h"
#include "imports/SourceFiles.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace imports {

class RecordReader {
public:
    // The list's items from its first row (rows above it and its header
    // skipped as mapping says); empty rows are left out.
    RecordReader(ListFile& list, const Mapping& mapping);
    // Stops the reading wherever it is.
    ~RecordReader();
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    // The next batch and how far the list is read (0 to 1); false at the end.
    // Throws ImportError when the list turned out damaged.
    bool next(std::vector<Record>& batch, double& done);

    static constexpr int kBatch = 2048;
    static constexpr size_t kBatchesAhead = 4;

private:
    void read();

    ListFile& m_list;
    Mapping m_mapping;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<std::vector<Record>, double>> m_ready;
    bool m_finished = false;
    QString m_failure;
    std::atomic<bool> m_stop{false}; // set under m_mutex
    std::thread m_thread;
};

} // namespace imports
