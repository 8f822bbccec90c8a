#pragma once
// The two table layouts of a catalogue file and the fields the data
// module's queries declare over them.
#include "engine/FieldDef.h"

#include <QList>
#include <QString>

namespace layouts {

// Second line of "Create Table <name>" for an item table.
inline const QString kItemColumns =
    QStringLiteral("(id COUNTER PRIMARY KEY, title VARCHAR(50), type VARCHAR(25), issue DATETIME, return DATETIME, "
                   "contact INT, description VARCHAR(50))");
// Second line of "Create Table _contacts".
inline const QString kContactColumns = QStringLiteral("(id COUNTER PRIMARY KEY, name VARCHAR(50), phone VARCHAR(25), "
                                                      "address VARCHAR(50), birthday DATETIME, reliability INT)");

QList<engine::FieldDef> itemFields(engine::Query* contacts);
QList<engine::FieldDef> contactFields();

} // namespace layouts
