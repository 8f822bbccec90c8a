#pragma once
// A drop-down list of a query's rows: shows one field, yields another (the
// key). It follows every change of its list query at once.
#include <QComboBox>
#include <QVariant>

namespace engine { class Query; }

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

    engine::Query* m_query = nullptr;
    QString m_listField;
    QString m_keyField;
};
