#pragma once
// The two table layouts of a catalogue file and the fields the data
// module's queries declare over them.
#include "data/CatalogueShape.h"
#include "engine/FieldDef.h"

#include <QList>
#include <QString>

namespace layouts {

// Second line of "Create Table <name>" for an item table.
inline const QString kItemColumns = shape::designText(shape::itemTable());
// Second line of "Create Table _contacts".
inline const QString kContactColumns = shape::designText(shape::contactTable());

QList<engine::FieldDef> itemFields(engine::Query* contacts);
QList<engine::FieldDef> contactFields();

} // namespace layouts
