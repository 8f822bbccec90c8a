// Office Open XML workbooks: the sheets listed in xl/workbook.xml, found
// through its relationships; texts kept once in xl/sharedStrings.xml; a
// number is a date when its cell's style has a date format.
#include "imports/ImportDates.h"
#include "imports/ImportError.h"
#include "imports/Workbooks.h"
#include "imports/ZipPackage.h"

#include "platform/Today.h"

#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

namespace imports {
namespace {

const QString kRelationships = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

void failOn(const QXmlStreamReader& xml, const QString& part) {
    if (xml.hasError())
        throw ImportError(QStringLiteral("часть '%1' книги повреждена: %2").arg(part, xml.errorString()));
}

// The text of the element the reader stands on, its runs joined, phonetic
// guides left out; the reader ends on its end.
QString runsText(QXmlStreamReader& xml) {
    QString text;
    int depth = 1;
    bool phonetic = false;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (xml.name() == u"rPh")
                phonetic = true;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (xml.name() == u"rPh")
                phonetic = false;
        } else if (token == QXmlStreamReader::Characters && !phonetic) {
            text += xml.text();
        }
    }
    return text;
}

// A number format shows a date when it is one of the built-in date formats
// or its code has day or year parts outside quotes and brackets.
bool isDateFormat(int id, const QString& code) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58))
        return true;
    bool quoted = false, bracket = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i].toLower();
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'[')
            bracket = true;
        else if (!quoted && c == u']')
            bracket = false;
        else if (!quoted && c == u'\\')
            ++i;
        else if (!quoted && !bracket && (c == u'd' || c == u'y'))
            return true;
    }
    return false;
}

class XlsxWorkbook : public Workbook {
public:
    explicit XlsxWorkbook(std::unique_ptr<ZipPackage> package) : m_package(std::move(package)) {
        readWorkbook();
        readStrings();
        readStyles();
    }

    QStringList sheetNames() const override { return m_names; }

    QList<QStringList> rows(int sheet) override {
        const QByteArray bytes = m_package->read(m_parts.value(sheet));
        QXmlStreamReader xml(bytes);
        QList<QStringList> rows;
        qsizetype filled = 0; // rows up to the last one holding something
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"row") {
                // Rows the file leaves out are empty ones.
                const qint64 number = xml.attributes().value(QLatin1String("r")).toLongLong();
                const qint64 wanted = number > rows.size() ? number : rows.size() + 1;
                if (wanted > kMostRows)
                    throw ImportError(QStringLiteral("на листе больше %1 строк").arg(kMostRows));
                rows.resize(wanted);
                continue;
            }
            if (xml.name() != u"c" || rows.isEmpty())
                continue;
            QStringList& row = rows.last();
            const QStringView reference = xml.attributes().value(QLatin1String("r"));
            const int column = reference.isEmpty() ? int(row.size()) : columnOfReference(reference);
            const QString value = cellValue(xml);
            if (column < 0 || value.isEmpty())
                continue;
            if (column >= kMostColumns)
                throw ImportError(QStringLiteral("на листе больше %1 столбцов").arg(kMostColumns));
            while (row.size() <= column)
                row << QString();
            row[column] = value;
            filled = rows.size();
        }
        failOn(xml, m_parts.value(sheet));
        rows.resize(filled);
        return rows;
    }

private:
    QString cellValue(QXmlStreamReader& xml) {
        const QStringView type = xml.attributes().value(QLatin1String("t"));
        const int style = xml.attributes().value(QLatin1String("s")).toInt();
        QString value;
        while (xml.readNextStartElement()) {
            if (xml.name() == u"v")
                value = xml.readElementText();
            else if (xml.name() == u"is")
                value = runsText(xml);
            else
                xml.skipCurrentElement();
        }
        if (type == u"s")
            return m_strings.value(value.toInt());
        if ((type.isEmpty() || type == u"n") && m_dateStyles.contains(style) && !value.isEmpty()) {
            bool ok = false;
            const double serial = value.toDouble(&ok);
            const double day = ok ? serialToDay(serial, m_1904) : NAN;
            return std::isnan(day) ? value : platform::dateOfDayNumber(day).toString(Qt::ISODate);
        }
        if (type == u"b")
            return value == u"1" ? QStringLiteral("ИСТИНА") : QStringLiteral("ЛОЖЬ");
        return value;
    }

    void readWorkbook() {
        QHash<QString, QString> targets;
        if (m_package->contains(QStringLiteral("xl/_rels/workbook.xml.rels"))) {
            QXmlStreamReader rels(m_package->read(QStringLiteral("xl/_rels/workbook.xml.rels")));
            while (!rels.atEnd())
                if (rels.readNext() == QXmlStreamReader::StartElement && rels.name() == u"Relationship") {
                    QString target = rels.attributes().value(QLatin1String("Target")).toString();
                    target = target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
                    targets.insert(rels.attributes().value(QLatin1String("Id")).toString(), target);
                }
            failOn(rels, QStringLiteral("xl/_rels/workbook.xml.rels"));
        }
        QXmlStreamReader xml(m_package->read(QStringLiteral("xl/workbook.xml")));
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QXmlStreamAttributes a = xml.attributes();
            if (xml.name() == u"workbookPr")
                m_1904 = a.value(QLatin1String("date1904")) == u"1" || a.value(QLatin1String("date1904")) == u"true";
            if (xml.name() != u"sheet")
                continue;
            const QString part = targets.value(a.value(kRelationships, QLatin1String("id")).toString());
            if (part.isEmpty() || !m_package->contains(part))
                continue; // a chart sheet or a part the file lacks
            m_names << a.value(QLatin1String("name")).toString();
            m_parts << part;
        }
        failOn(xml, QStringLiteral("xl/workbook.xml"));
        if (m_names.isEmpty())
            throw ImportError(QStringLiteral("в книге нет ни одного листа"));
    }

    void readStrings() {
        const QString part = QStringLiteral("xl/sharedStrings.xml");
        if (!m_package->contains(part))
            return;
        QXmlStreamReader xml(m_package->read(part));
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
                m_strings << runsText(xml);
        failOn(xml, part);
    }

    void readStyles() {
        const QString part = QStringLiteral("xl/styles.xml");
        if (!m_package->contains(part))
            return;
        QXmlStreamReader xml(m_package->read(part));
        QHash<int, QString> codes;
        bool cellFormats = false;
        int index = 0;
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs")
                cellFormats = false;
            if (token != QXmlStreamReader::StartElement)
                continue;
            const QXmlStreamAttributes a = xml.attributes();
            if (xml.name() == u"numFmt")
                codes.insert(a.value(QLatin1String("numFmtId")).toInt(), a.value(QLatin1String("formatCode")).toString());
            else if (xml.name() == u"cellXfs")
                cellFormats = true;
            else if (cellFormats && xml.name() == u"xf") {
                const int id = a.value(QLatin1String("numFmtId")).toInt();
                if (isDateFormat(id, codes.value(id)))
                    m_dateStyles.insert(index);
                ++index;
            }
        }
        failOn(xml, part);
    }

    std::unique_ptr<ZipPackage> m_package;
    QStringList m_names, m_parts, m_strings;
    QSet<int> m_dateStyles;
    bool m_1904 = false;
};

} // namespace

int columnOfReference(QStringView reference) {
    int column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i].isUpper() && reference[i].unicode() < 128; ++i) {
        column = column * 26 + (reference[i].unicode() - 'A' + 1);
        if (column > 1 << 20)
            return -1;
    }
    return i == 0 ? -1 : column - 1;
}

std::unique_ptr<Workbook> openXlsx(std::unique_ptr<ZipPackage> package) {
    return std::make_unique<XlsxWorkbook>(std::move(package));
}

} // namespace imports
