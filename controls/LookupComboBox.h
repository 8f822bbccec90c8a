#pragma once
// A drop-down list of a query's rows: shows one field, yields another (the
// key). It follows every change of its list query at once.
#include <QComboBox>
#include <QPointer>
#include <QVariant>

#include "engine/Query.h"

class LookupComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit LookupComboBox(QWidget* parent = nullptr);
    void setListSource(engine::Query* query, const QString& listField, const QString& keyField);
    // Key of the chosen row; invalid when none is chosen.
    QVariant keyValue() const;
    void setKeyValue(const QVariant& key);

private:
    void refill();

    QPointer<engine::Query> m_query;
    QString m_listField;
    QString m_keyField;
};
