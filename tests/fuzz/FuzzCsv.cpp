#include "tests/fuzz/Targets.h"

#include "imports/CsvText.h"
#include "imports/RowMapping.h"

#include <cstdlib>

int fuzz::csv(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const auto length = qsizetype(size);
    const char separator = imports::detectSeparator(bytes, length);
    imports::Mapping mapping;
    for (int f = 0; f < imports::FieldCount; ++f)
        mapping.columns[f] = f;
    for (imports::Encoding encoding : {imports::detectEncoding(bytes, length), imports::Encoding::Windows1251}) {
        imports::CsvCursor cursor(bytes, length, separator, encoding);
        QStringList cells;
        qint64 rows = 0;
        while (cursor.next(cells)) {
            imports::recordOf(cells, cursor.row(), mapping);
            // Every row ends at a line break or at the end: never more rows than lines.
            if (++rows > qint64(size) + 1 || cursor.position() > length)
                std::abort();
        }
    }
    return 0;
}
