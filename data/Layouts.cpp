#include "data/Layouts.h"

namespace layouts {

using engine::FieldDef;
using engine::FieldKind;

namespace {

FieldDef field(const char* name, FieldKind kind, int size, const QString& label, int width, bool visible = true,
               Qt::Alignment alignment = Qt::AlignLeft) {
    FieldDef d = FieldDef::of(QString::fromLatin1(name), kind, size, label);
    d.displayWidth = width;
    d.visible = visible;
    d.alignment = alignment;
    return d;
}

} // namespace

QList<FieldDef> itemFields(engine::Query* contacts) {
    FieldDef cname = field("cname", FieldKind::Lookup, 20, QStringLiteral("Должник"), 15);
    cname.keyField = QStringLiteral("contact");
    cname.lookupDataset = contacts;
    cname.lookupKeyField = QStringLiteral("id");
    cname.lookupResultField = QStringLiteral("name");
    return {
        field("id", FieldKind::AutoIncrement, 0, QStringLiteral("№"), 0, false),
        field("title", FieldKind::Text, shape::kTitleLength, QStringLiteral("Наименование"), 25),
        field("type", FieldKind::Text, shape::kKindLength, QStringLiteral("Вид"), 10),
        field("issue", FieldKind::DateTime, 0, QStringLiteral("Дата выдачи"), 10, true, Qt::AlignRight),
        field("return", FieldKind::DateTime, 0, QStringLiteral("Дата возврата"), 10, true, Qt::AlignRight),
        field("contact", FieldKind::Integer, 0, QString(), 0, false),
        cname,
        field("description", FieldKind::Text, shape::kNoteLength, QStringLiteral("Примечание"), 0),
    };
}

QList<FieldDef> contactFields() {
    return {
        field("id", FieldKind::AutoIncrement, 0, QString(), 0, false),
        field("name", FieldKind::Text, shape::kNameLength, QStringLiteral("Ф. И. О. "), 0),
        // Twice as wide as its column, as the design has it: a longer phone
        // is refused by the engine on post.
        field("phone", FieldKind::Text, 2 * shape::kPhoneLength, QStringLiteral("Телефон"), 15),
        field("address", FieldKind::Text, shape::kAddressLength, QStringLiteral("Адрес"), 25),
        field("birthday", FieldKind::DateTime, 0, QStringLiteral("Дата рождения"), 10),
        field("reliability", FieldKind::Word, 0, QString(), 0, false),
    };
}

} // namespace layouts
