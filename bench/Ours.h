#pragma once
// The catalogue's side of each comparison: exactly the calls the program
// makes, through the data module's connection and its main query.
#include "data/DBMUnit.h"

#include <QString>
#include <cstdint>

namespace bench {

class Ours {
public:
    explicit Ours(const QString& path);

    void connect();
    void disconnect();

    // aqMain on sql, then sorted by order ("title ASC") when that is not empty. Returns the rows.
    int64_t open(const QString& sql, const QString& order = {});
    // Frees the snapshot, outside the timed work.
    void closeMain();

    // Compacts the closed file in place; the connection must be closed.
    static void compact(const QString& path);

private:
    QString m_path;
    TDM m_dm;
};

} // namespace bench
