#include "jet/JetRow.h"

#include "jet/JetBytes.h"

#include <QVarLengthArray>

namespace jet {

namespace {

using Offsets = QVarLengthArray<int, 32>;

// The bytes a fixed column takes in a row, by its type.
int fixedSize(const ColumnDef& c) {
    switch (c.type) {
    case kBooleanColumn: return 0; // its value is its bit in the null mask
    case kByteColumn: return 1;
    case kIntegerColumn: return 2;
    case kLongColumn:
    case 0x06: return 4; // single
    case 0x05:           // currency
    case 0x07:           // double
    case kDateTimeColumn: return 8;
    default: return c.length;
    }
}

// Jet 4, from the null mask backwards: the number of entries, each
// variable column's offset, then where their data ends (eod), each two
// bytes. limit is where that table starts: no value lies beyond it.
bool jet4Offsets(const unsigned char* p, int tail, Offsets& offsets, int& limit) {
    if (tail < 4)
        return false;
    const int count = le16(p + tail - 2);
    limit = tail - 2 - 2 * (count + 1);
    if (limit < 2)
        return false;
    offsets.resize(count + 1);
    for (int i = 0; i < count; ++i)
        offsets[i] = le16(p + tail - 4 - 2 * i);
    offsets[count] = le16(p + limit);
    return true;
}

// Jet 3: the same with one-byte offsets, and between them and the number
// of entries a jump table: for each 256-byte step of the row, the first
// entry at or beyond it. Its size follows the row's length, so its last
// step may be a dummy (0xFF) that no entry reaches.
bool jet3Offsets(const unsigned char* p, int length, int tail, Offsets& offsets, int& limit) {
    if (tail < 2)
        return false;
    const int count = p[tail - 1];
    const int jumps = (length - 1) / 256;
    limit = tail - 2 - jumps - count;
    if (limit < 1)
        return false;
    offsets.resize(count + 1);
    for (int i = 0; i <= count; ++i) {
        int steps = 0;
        for (int j = 0; j < jumps; ++j) {
            const int first = p[tail - 2 - j];
            steps += first != 0xFF && first <= i;
        }
        offsets[i] = p[tail - 2 - jumps - i] + 256 * steps;
    }
    return true;
}

// The row's offsets of its variable columns, in order and inside the row.
bool varOffsets(const unsigned char* p, int length, int tail, bool jet3, Offsets& offsets, int& limit) {
    const int countSize = jet3 ? 1 : 2;
    if (!(jet3 ? jet3Offsets(p, length, tail, offsets, limit) : jet4Offsets(p, tail, offsets, limit)))
        return false;
    if (offsets.first() < countSize || offsets.last() > limit)
        return false;
    for (qsizetype i = 0; i + 1 < offsets.size(); ++i)
        if (offsets[i] > offsets[i + 1])
            return false;
    return true;
}

} // namespace

bool splitRow(QByteArrayView row, const TableDef& table, bool jet3, QList<Field>& fields) {
    const auto* p = bytesOf(row.data());
    const int length = int(row.size());
    const int countSize = jet3 ? 1 : 2;
    if (length < countSize)
        return false;
    // The columns the row was written with: ones added later are Null.
    const int columns = jet3 ? p[0] : le16(p);
    const int tail = length - (columns + 7) / 8; // where the null mask starts
    if (tail < countSize)
        return false;
    Offsets offsets;
    int limit = tail;
    if (table.varColumns > 0 && !varOffsets(p, length, tail, jet3, offsets, limit))
        return false;
    fields.resize(table.columns.size());
    for (qsizetype c = 0; c < table.columns.size(); ++c) {
        const ColumnDef& def = table.columns[c];
        Field& f = fields[c];
        f = {};
        if (def.number >= columns)
            continue;
        f.present = p[tail + def.number / 8] >> (def.number % 8) & 1;
        if (!f.present || def.type == kBooleanColumn)
            continue;
        if (def.fixed) {
            const int start = countSize + def.fixedOffset;
            const int size = fixedSize(def);
            if (start + size > limit)
                return false;
            f.bytes = row.sliced(start, size);
        } else if (def.varIndex + 1 < offsets.size()) {
            const int start = offsets[def.varIndex];
            f.bytes = row.sliced(start, offsets[def.varIndex + 1] - start);
        } else {
            f.present = false; // no entry in the row for it: written before the column was added
        }
    }
    return true;
}

} // namespace jet
