#include "controls/LookupComboBox.h"

#include "engine/Query.h"

LookupComboBox::LookupComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setMaxVisibleItems(12);
}

void LookupComboBox::setListSource(engine::Query* query, const QString& listField, const QString& keyField) {
    if (m_query)
        disconnect(m_query, nullptr, this, nullptr);
    m_query = query;
    m_listField = listField;
    m_keyField = keyField;
    if (m_query) {
        connect(m_query, &engine::Query::rowsReset, this, &LookupComboBox::refill);
        connect(m_query, &engine::Query::rowChanged, this, &LookupComboBox::refill);
    }
    refill();
}

void LookupComboBox::refill() {
    const QVariant chosen = keyValue();
    const QSignalBlocker quiet(this);
    clear();
    if (m_query && m_query->isOpen()) {
        const int list = m_query->fieldIndex(m_listField);
        const int key = m_query->fieldIndex(m_keyField);
        if (list >= 0 && key >= 0)
            for (int r = 0; r < m_query->recordCount(); ++r)
                addItem(m_query->textValue(r, list), m_query->value(r, key));
    }
    setKeyValue(chosen);
}

QVariant LookupComboBox::keyValue() const { return currentIndex() < 0 ? QVariant() : currentData(); }

void LookupComboBox::setKeyValue(const QVariant& key) { setCurrentIndex(key.isValid() ? findData(key) : -1); }
