#pragma once
// A grid as a spreadsheet: its rows as shown (in their order), its column
// titles first, as CSV that LibreOffice Calc and a Russian Excel open
// without asking: UTF-8 with a byte-order mark, ";" between fields, quotes
// doubled inside quoted fields, dates as dd.MM.yyyy, looked-up values (the
// debtor's name) as shown.
#include "engine/Query.h"

#include <QList>

class QIODevice;

namespace reports {

// Writes the rows of query (open) with the fields given, titled by their
// labels. Throws std::runtime_error when the device refuses a write.
void writeCsv(QIODevice& device, const engine::Query& query, const QList<int>& fields);

// One field as CSV writes it: quoted when it holds ';', '"' or a line break.
QByteArray csvField(const QString& text);

} // namespace reports
