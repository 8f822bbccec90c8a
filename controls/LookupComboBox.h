#pragma once
// A drop-down list of a query's rows: shows one field, yields another (the
// key). It follows every change of its list query at once. Bound to a field
// of another query, it shows the row whose key the current record holds, and
// a row the user picks writes its key into that record.
#include <QComboBox>
#include <QPointer>
#include <QVariant>

#include <optional>

#include "engine/Query.h"

class LookupComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit LookupComboBox(QWidget* parent = nullptr);
    void setListSource(engine::Query* query, const QString& listField, const QString& keyField);
    // Key of the chosen row; invalid when none is chosen. A bound box's key
    // is the record's, also when no row of the list has it (a debtor
    // deleted elsewhere): the box then shows no name.
    QVariant keyValue() const;
    void setKeyValue(const QVariant& key);

    void setDataField(engine::Query* query, const QString& field);

signals:
    // The user picked a row (its key is already in the bound record).
    void picked();

private:
    void refill();
    void showFieldValue();
    void writeFieldValue();
    QVariant chosenRowKey() const;
    // The bound field's value, when a record is there to hold one.
    std::optional<QVariant> fieldValue() const;

    QPointer<engine::Query> m_query;
    QString m_listField;
    QString m_keyField;
    QPointer<engine::Query> m_dataQuery;
    QString m_dataField;
};
