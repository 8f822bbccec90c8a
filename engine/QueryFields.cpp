// Field handles on a query's current record: reading and writing values.
#include "engine/Query.h"

namespace engine {

const FieldDef& Field::def() const { return m_query->m_fields[m_index]; }

bool Field::isNull() const {
    const FieldDef& d = def();
    if (d.kind == FieldKind::Lookup)
        return asString().isEmpty();
    return std::holds_alternative<std::monostate>(m_query->currentValue(m_index));
}

QVariant Field::value() const {
    if (def().kind == FieldKind::Lookup)
        return asString();
    return Query::toVariant(m_query->currentValue(m_index));
}

QString Field::asString() const {
    const FieldDef& d = def();
    if (d.kind == FieldKind::Lookup) {
        const int key = m_query->fieldIndex(d.keyField);
        return key < 0 ? QString() : m_query->lookupText(m_query->currentValue(key), m_index);
    }
    const Query::Value v = m_query->currentValue(m_index);
    if (std::holds_alternative<int64_t>(v))
        return QString::number(std::get<int64_t>(v));
    if (std::holds_alternative<double>(v))
        return QString::number(std::get<double>(v), 'g', 17);
    if (std::holds_alternative<QString>(v))
        return std::get<QString>(v);
    return {};
}

int64_t Field::asInteger() const {
    const Query::Value v = m_query->currentValue(m_index);
    if (std::holds_alternative<int64_t>(v))
        return std::get<int64_t>(v);
    if (std::holds_alternative<double>(v))
        return static_cast<int64_t>(std::get<double>(v));
    if (std::holds_alternative<QString>(v))
        return std::get<QString>(v).toLongLong();
    return 0;
}

double Field::asFloat() const {
    const Query::Value v = m_query->currentValue(m_index);
    if (std::holds_alternative<int64_t>(v))
        return static_cast<double>(std::get<int64_t>(v));
    if (std::holds_alternative<double>(v))
        return std::get<double>(v);
    if (std::holds_alternative<QString>(v))
        return std::get<QString>(v).toDouble();
    return 0;
}

void Field::setAsString(const QString& v) {
    const FieldDef& d = def();
    switch (d.kind) {
    case FieldKind::Text: {
        QString text = v;
        text.remove(QChar(0)); // a NUL would end the text for most readers of the file
        m_query->setPending(m_index, d.size > 0 ? cutToCharacters(text, d.size) : text);
        return;
    }
    case FieldKind::DateTime: {
        bool ok = false;
        const double number = v.trimmed().toDouble(&ok);
        if (v.trimmed().isEmpty())
            clear();
        else if (ok)
            setAsFloat(number);
        else
            m_query->raise(QStringLiteral("'%1' не является датой").arg(v));
        return;
    }
    default: {
        bool ok = false;
        const qlonglong number = v.trimmed().toLongLong(&ok);
        if (v.trimmed().isEmpty())
            clear();
        else if (ok)
            setAsInteger(number);
        else
            m_query->raise(QStringLiteral("'%1' не является целым числом").arg(v));
    }
    }
}

void Field::setAsInteger(int64_t v) {
    const FieldDef& d = def();
    if (d.kind == FieldKind::Text)
        setAsString(QString::number(v));
    else if (d.kind == FieldKind::DateTime)
        m_query->setPending(m_index, static_cast<double>(v));
    else
        m_query->setPending(m_index, v);
}

void Field::setAsFloat(double v) {
    const FieldDef& d = def();
    if (d.kind == FieldKind::DateTime)
        m_query->setPending(m_index, v);
    else if (d.kind == FieldKind::Text)
        setAsString(QString::number(v, 'g', 17));
    else
        m_query->setPending(m_index, static_cast<int64_t>(v));
}

void Field::clear() { m_query->setPending(m_index, std::monostate{}); }

} // namespace engine
