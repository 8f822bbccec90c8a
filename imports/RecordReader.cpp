#include "imports/RecordReader.h"

#include "imports/ImportError.h"

namespace imports {

RecordReader::RecordReader(ListFile& list, const Mapping& mapping)
    : m_list(list), m_mapping(mapping), m_thread([this] { read(); }) {}

RecordReader::~RecordReader() {
    {
        // Under the lock: the reader cannot miss it between its check and its wait.
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void RecordReader::read() {
    QStringList cells;
    bool more = true;
    try {
        m_list.rewind();
        while (more && !m_stop) {
            std::vector<Record> batch;
            batch.reserve(kBatch);
            while (int(batch.size()) < kBatch && (more = m_list.next(cells)))
                if (m_mapping.imports(m_list.row()) && !isBlank(cells))
                    batch.push_back(recordOf(cells, m_list.row(), m_mapping));
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_ready.size() < kBatchesAhead || m_stop; });
            m_ready.emplace_back(std::move(batch), m_list.progress());
            m_changed.notify_all();
        }
    } catch (const std::exception& e) { // a damaged sheet: told where the records are taken
        std::lock_guard lock(m_mutex);
        m_failure = QString::fromStdString(e.what());
    }
    std::lock_guard lock(m_mutex);
    m_finished = true;
    m_changed.notify_all();
}

bool RecordReader::next(std::vector<Record>& batch, double& done) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_ready.empty() || m_finished; });
    if (m_ready.empty() && !m_failure.isEmpty())
        throw ImportError(m_failure);
    if (m_ready.empty())
        return false;
    batch = std::move(m_ready.front().first);
    done = m_ready.front().second;
    m_ready.pop_front();
    m_changed.notify_all();
    return true;
}

} // namespace imports
