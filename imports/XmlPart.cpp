#include "imports/XmlPart.h"

#include "imports/ImportError.h"

namespace imports {

XmlPart::XmlPart(ZipPackage& zip, const QString& name) : m_name(name), m_entry(zip.open(name)) {
    // Prefixes that name no declared namespace are taken as they are.
    m_xml.setNamespaceProcessing(false);
}

bool XmlPart::next() {
    for (;;) {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token == QXmlStreamReader::EndDocument)
            return false;
        if (!m_xml.hasError())
            return true;
        if (m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError || !m_entry->next(m_piece))
            throw ImportError(QStringLiteral("часть '%1' повреждена (строка %2, знак %3)")
                                  .arg(m_name)
                                  .arg(m_xml.lineNumber())
                                  .arg(m_xml.columnNumber()));
        m_xml.addData(m_piece);
    }
}

double XmlPart::progress() const { return m_entry->size() > 0 ? double(m_entry->done()) / double(m_entry->size()) : 1; }

QString XmlPart::elementText() {
    QString text;
    for (int depth = 1; depth > 0 && next();) {
        if (m_xml.isStartElement())
            ++depth;
        else if (m_xml.isEndElement())
            --depth;
        else if (m_xml.isCharacters())
            text += m_xml.text();
    }
    return text;
}

QString unescapedText(const QString& text) {
    if (!text.contains(QLatin1String("_x")))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        bool ok = false;
        const uint code = i + 7 <= text.size() && text[i] == u'_' && text[i + 1] == u'x' && text[i + 6] == u'_'
                              ? text.mid(i + 2, 4).toUInt(&ok, 16)
                              : 0;
        if (ok) {
            out += QChar(char16_t(code));
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

QString attribute(const QXmlStreamAttributes& attributes, QStringView localName) {
    for (const QXmlStreamAttribute& a : attributes) {
        const QStringView name = a.qualifiedName();
        const qsizetype colon = name.indexOf(u':');
        if ((colon < 0 ? name : name.mid(colon + 1)) == localName)
            return a.value().toString();
    }
    return {};
}

} // namespace imports
