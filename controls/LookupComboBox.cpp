#include "controls/LookupComboBox.h"

#include "engine/Query.h"

LookupComboBox::LookupComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setMaxVisibleItems(12);
    connect(this, &QComboBox::activated, this, &LookupComboBox::writeFieldValue);
}

void LookupComboBox::setDataField(engine::Query* query, const QString& field) {
    if (m_dataQuery)
        disconnect(m_dataQuery, nullptr, this, nullptr);
    m_dataQuery = query;
    m_dataField = field;
    if (m_dataQuery) {
        connect(m_dataQuery, &engine::Query::stateChanged, this, &LookupComboBox::showFieldValue);
        connect(m_dataQuery, &engine::Query::currentRowChanged, this, &LookupComboBox::showFieldValue);
        connect(m_dataQuery, &engine::Query::rowsReset, this, &LookupComboBox::showFieldValue);
    }
    showFieldValue();
}

std::optional<QVariant> LookupComboBox::fieldValue() const {
    if (!m_dataQuery || !m_dataQuery->isOpen())
        return std::nullopt;
    const engine::Field field = m_dataQuery->fieldByName(m_dataField);
    return field.isNull() ? QVariant() : QVariant::fromValue<qlonglong>(field.asInteger());
}

void LookupComboBox::showFieldValue() { setKeyValue(fieldValue().value_or(QVariant())); }

void LookupComboBox::writeFieldValue() {
    const QVariant key = chosenRowKey();
    if (m_dataQuery && key.isValid()) {
        const engine::Query::State state = m_dataQuery->state();
        if (state == engine::Query::State::Insert || state == engine::Query::State::Edit)
            m_dataQuery->fieldByName(m_dataField).setAsInteger(key.toLongLong());
    }
    emit picked();
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

QVariant LookupComboBox::chosenRowKey() const { return currentIndex() < 0 ? QVariant() : currentData(); }

QVariant LookupComboBox::keyValue() const {
    if (const std::optional<QVariant> bound = fieldValue())
        return *bound;
    return chosenRowKey();
}

void LookupComboBox::setKeyValue(const QVariant& key) { setCurrentIndex(key.isValid() ? findData(key) : -1); }
