#pragma once
// A row of a Jet table split into its columns' stored values, by the
// table's definition: the null mask, the fixed columns and the variable
// ones (Jet 3 with one-byte offsets and a jump table, Jet 4 with two-byte
// offsets).
#include "jet/JetFile.h"

#include <QByteArrayView>
#include <QList>

namespace jet {

struct Field {
    bool present = false; // its bit in the null mask: not Null, or a Boolean's value
    QByteArrayView bytes; // the stored value, inside the row
};

// One field per column of table, in its order. False when the row's own
// layout does not fit inside it.
bool splitRow(QByteArrayView row, const TableDef& table, bool jet3, QList<Field>& fields);

} // namespace jet
