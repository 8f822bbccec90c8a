#pragma once
// An XML part of a zip (a workbook's sheet, its strings) read a token at a
// time while it is unpacked a piece at a time: a sheet of a million rows
// is never held in memory whole.
#include "imports/ZipPackage.h"

#include <QXmlStreamReader>

#include <memory>

namespace imports {

class XmlPart {
public:
    // Throws ImportError when the part is missing.
    XmlPart(ZipPackage& zip, const QString& name);
    // The next token into xml(); false at the end of the document. Throws
    // ImportError, in the user's words, when the part is damaged.
    bool next();
    QXmlStreamReader& xml() { return m_xml; }
    // How far the part is unpacked, from 0 to 1.
    double progress() const;
    // The text of the element the reader stands on, up to its end (the
    // reader then stands there); child elements' texts go in too.
    QString elementText();

private:
    QString m_name;
    std::unique_ptr<ZipEntry> m_entry;
    QXmlStreamReader m_xml;
    QByteArray m_piece;
};

// A text as the workbook keeps it, its escapes _xHHHH_ undone.
QString unescapedText(const QString& text);

// The attribute's value by its local name, whatever its prefix; empty when
// there is none.
QString attribute(const QXmlStreamAttributes& attributes, QStringView localName);

} // namespace imports
