#include "imports/ImportRun.h"

#include "engine/Connection.h"
#include "imports/RecordReader.h"

namespace imports {

ImportRun::ImportRun(const QString& path) {
    const SourceKind kind = examine(path);
    if (kind == SourceKind::Tellico || kind == SourceKind::Gcstar)
        m_records = readCollection(path, kind);
    else
        m_list = std::make_unique<ListFile>(path, kind);
}

void ImportRun::forEach(const Progress& progress, const std::function<void(const Record&)>& each) {
    if (!m_list) {
        for (qsizetype i = 0; i < m_records.size(); ++i) {
            if (i % 1024 == 0)
                progress(double(i) / double(m_records.size()));
            each(m_records[i]);
        }
        return;
    }
    RecordReader reader(*m_list, m_mapping);
    std::vector<Record> batch;
    double done = 0;
    progress(0);
    while (reader.next(batch, done)) {
        for (const Record& record : batch)
            each(record);
        progress(done);
    }
}

namespace {
// Leaves the transaction without committing it.
struct NotCommitted {};
} // namespace

ImportRun::Outcome ImportRun::write(engine::Connection& connection, const QString& table, bool create, bool refusedToo,
                                    const Progress& progress, const std::function<void(const shape::Loan&)>& onLoan,
                                    const std::function<void()>& finish) {
    Outcome outcome;
    try {
        connection.inOneTransaction([&] {
            ImportWriter writer(connection, table, create);
            writer.onLoan = onLoan;
            forEach(progress, [&](const Record& record) {
                ++outcome.total;
                if (!record.problem.isEmpty())
                    outcome.refused << Refusal{record.row, record.problem};
                else if ((refusedToo || outcome.refused.isEmpty())) // past a refusal only checked
                    writer.add(record);
            });
            if (outcome.total == 0 || (!outcome.refused.isEmpty() && !refusedToo))
                throw NotCommitted();
            writer.finish();
            if (finish)
                finish();
            outcome.items = writer.itemsAdded();
            outcome.contacts = writer.contactsAdded();
        });
        outcome.committed = true;
    } catch (const NotCommitted&) {
    }
    return outcome;
}

} // namespace imports
