#pragma once
// One import from a file, without its windows: what the file holds (a
// list's rows through a mapping, or a collection's records), each record
// checked and, when it has no problem, written, all in one transaction.
// The caller shows the progress and keeps the history.
#include "imports/ImportWriter.h"
#include "imports/RowMapping.h"
#include "imports/SourceFiles.h"

#include <functional>
#include <memory>

namespace engine {
class Connection;
}

namespace imports {

// Told how far (0 to 1) now and then; throws ImportCancelled to stop.
using Progress = std::function<void(double done)>;

class ImportRun {
public:
    // The file weighed, recognised and opened; throws ImportError.
    explicit ImportRun(const QString& path);

    bool collection() const { return !m_list; }
    // The list (null for a collection) and the collection's records.
    ListFile* list() const { return m_list.get(); }
    const QList<Record>& records() const { return m_records; }
    void setMapping(const Mapping& mapping) { m_mapping = mapping; }

    struct Outcome {
        QList<Refusal> refused;
        qint64 total = 0; // records, empty rows not counted
        qint64 items = 0, contacts = 0;
        bool committed = false;
    };
    // The records without a problem into table (made first when create),
    // in one transaction, each record checked as it comes; onLoan is called
    // inside it for every loan written, then finish. The transaction is
    // committed only when there were records, and none was refused unless
    // refusedToo: so a file's refused rows are known, with nothing changed,
    // after one reading of it.
    Outcome write(engine::Connection& connection, const QString& table, bool create, bool refusedToo,
                  const Progress& progress, const std::function<void(const shape::Loan&)>& onLoan = {},
                  const std::function<void()>& finish = {});

private:
    // Every record in the file's order, empty rows left out.
    void forEach(const Progress& progress, const std::function<void(const Record&)>& each);

    std::unique_ptr<ListFile> m_list;
    QList<Record> m_records;
    Mapping m_mapping;
};

} // namespace imports
