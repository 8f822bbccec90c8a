#pragma once
// What the data module declares about each field of a query: its kind, its
// size in characters, how the grid shows it, and for a lookup field where
// its value comes from.
#include <QString>
#include <Qt>

namespace engine {

class Query;

enum class FieldKind {
    AutoIncrement, // integer given by the engine on insert; read-only
    Text,          // Unicode text of at most size characters
    DateTime,      // REAL day number since 1899-12-30
    Integer,       // 32-bit integer
    Word,          // 16-bit unsigned integer
    Lookup,        // text looked up in another query, not stored
};

struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::Text;
    int size = 0;         // characters, for text and lookup fields
    QString displayLabel; // grid column title; the name when empty
    int displayWidth = 0; // in characters, 0 = not set
    bool visible = true;
    Qt::Alignment alignment = Qt::AlignLeft;
    bool readOnly = false;
    // Lookup fields: the row's keyField value is matched against
    // lookupKeyField of lookupDataset, giving its lookupResultField.
    QString keyField;
    Query* lookupDataset = nullptr;
    QString lookupKeyField;
    QString lookupResultField;

    // A field of kind with its size and label; everything else as above.
    static FieldDef of(const QString& name, FieldKind kind, int size = 0, const QString& label = {}) {
        FieldDef d;
        d.name = name;
        d.kind = kind;
        d.size = size;
        d.displayLabel = label;
        d.readOnly = kind == FieldKind::AutoIncrement;
        return d;
    }

    QString label() const { return displayLabel.isEmpty() ? name : displayLabel; }
    bool isData() const { return kind != FieldKind::Lookup; }
};

} // namespace engine
