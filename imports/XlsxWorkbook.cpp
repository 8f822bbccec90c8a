// Office Open XML workbooks (transitional and strict): the sheets listed in
// the workbook part, found through its relationships; texts kept once in
// the shared strings; a number is a date when its cell's style has a date
// format. Sheets are read as they are unpacked.
#include "imports/ImportDates.h"
#include "imports/ImportError.h"
#include "imports/Workbooks.h"
#include "imports/XmlPart.h"
#include "imports/ZipPackage.h"

#include "platform/Today.h"

#include <QDir>
#include <QHash>
#include <QSet>

#include <cmath>

namespace imports {
namespace {

// A part's folder ("xl/" for "xl/workbook.xml") and its relationships' part.
QString folderOfPart(const QString& part) { return part.left(part.lastIndexOf(u'/') + 1); }
QString relationshipsOf(const QString& part) {
    return folderOfPart(part) + QStringLiteral("_rels/") + part.mid(part.lastIndexOf(u'/') + 1)
           + QStringLiteral(".rels");
}

struct Relationship {
    QString type, target;
};

// The relationships kept in rels by id, their targets as part names
// (relative to folder unless absolute).
QHash<QString, Relationship> readRelationships(ZipPackage& zip, const QString& rels, const QString& folder) {
    QHash<QString, Relationship> found;
    if (!zip.contains(rels))
        return found;
    XmlPart xml(zip, rels);
    while (xml.next())
        if (xml.xml().isStartElement() && xml.xml().name() == u"Relationship") {
            const QXmlStreamAttributes a = xml.xml().attributes();
            const QString target = a.value(QLatin1String("Target")).toString();
            QString part = QDir::cleanPath(target.startsWith(u'/') ? target.mid(1) : folder + target);
            if (part.startsWith(u'/'))
                part = part.mid(1);
            found.insert(a.value(QLatin1String("Id")).toString(), {a.value(QLatin1String("Type")).toString(), part});
        }
    return found;
}

QHash<QString, Relationship> relationships(ZipPackage& zip, const QString& part) {
    return readRelationships(zip, relationshipsOf(part), folderOfPart(part));
}

// The workbook part, as the package's own relationships name it.
QString workbookPart(ZipPackage& zip) {
    for (const Relationship& r : readRelationships(zip, QStringLiteral("_rels/.rels"), QString()))
        if (r.type.endsWith(QLatin1String("/officeDocument")) && zip.contains(r.target))
            return r.target;
    return QStringLiteral("xl/workbook.xml");
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

struct Shared {
    QStringList strings;
    QSet<int> dateStyles;
    bool system1904 = false;
};

class XlsxRows : public SheetRows {
public:
    XlsxRows(ZipPackage& zip, const QString& part, const Shared& shared) : m_xml(zip, part), m_shared(shared) {}

    bool next(QStringList& cells, qint64& number) override {
        QXmlStreamReader& xml = m_xml.xml();
        while (m_xml.next()) {
            if (xml.isStartElement()) {
                const QStringView name = xml.name();
                if (name == u"row")
                    startRow(xml.attributes());
                else if (name == u"c")
                    startCell(xml.attributes());
                else if (name == u"v")
                    m_value += m_xml.elementText();
                else if (name == u"t" && m_phonetic == 0)
                    m_inline += m_xml.elementText();
                else if (name == u"rPh")
                    ++m_phonetic;
            } else if (xml.isEndElement()) {
                const QStringView name = xml.name();
                if (name == u"rPh")
                    --m_phonetic;
                else if (name == u"c")
                    endCell();
                else if (name == u"row") {
                    cells = std::move(m_row);
                    m_row.clear();
                    number = m_number;
                    return true;
                }
            }
        }
        return false;
    }

    double progress() const override { return m_xml.progress(); }

private:
    void startRow(const QXmlStreamAttributes& a) {
        const qint64 given = a.value(QLatin1String("r")).toLongLong();
        m_number = given > m_number ? given : m_number + 1;
        if (m_number > Workbook::kMostRows)
            throw ImportError(QStringLiteral("на листе больше %1 строк").arg(Workbook::kMostRows));
        m_row.clear();
        m_nextColumn = 0;
    }
    void startCell(const QXmlStreamAttributes& a) {
        const QStringView reference = a.value(QLatin1String("r"));
        // A cell without its reference is the one after the last.
        m_column = reference.isEmpty() ? m_nextColumn : columnOfReference(reference);
        m_type = a.value(QLatin1String("t")).toString();
        m_style = a.value(QLatin1String("s")).toInt();
        m_value.clear();
        m_inline.clear();
    }
    void endCell() {
        const QString value = cellValue();
        if (m_column >= 0) {
            m_nextColumn = m_column + 1;
            if (!value.isEmpty())
                putCell(m_row, m_column, value);
        }
        m_column = -1;
    }
    QString cellValue() const {
        if (m_type == u"s") {
            bool ok = false;
            const int index = m_value.trimmed().toInt(&ok);
            return ok && index >= 0 && index < m_shared.strings.size() ? m_shared.strings[index] : QString();
        }
        if (m_type == u"inlineStr") // its text, whatever value a writer put beside it
            return unescapedText(m_inline.isEmpty() ? m_value : m_inline);
        if (m_type == u"str")
            return unescapedText(m_value);
        if (m_type == u"b")
            return m_value.trimmed() == u"1" ? QStringLiteral("ИСТИНА") : QStringLiteral("ЛОЖЬ");
        if (m_type == u"e")
            return m_value.trimmed();
        if (m_type == u"d") // an ISO date (strict workbooks)
            return m_value.trimmed().left(10);
        const QString number = m_value.trimmed();
        if (number.isEmpty() || !m_shared.dateStyles.contains(m_style))
            return numberText(number);
        bool ok = false;
        const double serial = number.toDouble(&ok);
        const double day = ok ? serialToDay(serial, m_shared.system1904) : NAN;
        return std::isnan(day) ? number : platform::dateOfDayNumber(day).toString(Qt::ISODate);
    }

    XmlPart m_xml;
    const Shared& m_shared;
    QStringList m_row;
    qint64 m_number = 0;
    qint64 m_column = -1, m_nextColumn = 0;
    QString m_type, m_value, m_inline;
    int m_style = 0, m_phonetic = 0;
};

class XlsxWorkbook : public Workbook {
public:
    explicit XlsxWorkbook(std::unique_ptr<ZipPackage> package) : m_package(std::move(package)) {
        readWorkbook();
        readStrings();
        readStyles();
    }

    QList<Sheet> sheets() const override { return m_sheets; }

    std::unique_ptr<SheetRows> rows(int sheet) override {
        return std::make_unique<XlsxRows>(*m_package, m_parts.value(sheet), m_shared);
    }

private:
    void readWorkbook() {
        m_workbook = workbookPart(*m_package);
        if (!m_package->contains(m_workbook))
            throw ImportError(QStringLiteral("в книге нет ни одного листа"));
        const QHash<QString, Relationship> targets = relationships(*m_package, m_workbook);
        XmlPart xml(*m_package, m_workbook);
        while (xml.next()) {
            if (!xml.xml().isStartElement())
                continue;
            const QXmlStreamAttributes a = xml.xml().attributes();
            if (xml.xml().name() == u"workbookPr") {
                const QString system = attribute(a, u"date1904");
                m_shared.system1904 = system == u"1" || system == u"true";
            }
            if (xml.xml().name() != u"sheet")
                continue;
            // The relationship's id, whichever namespace (transitional or strict) names it.
            const Relationship target = targets.value(attribute(a, u"id"));
            if (!target.type.endsWith(QLatin1String("/worksheet")) || !m_package->contains(target.target))
                continue; // a chart sheet, or a part the file lacks
            const QString state = a.value(QLatin1String("state")).toString();
            m_sheets << Sheet{a.value(QLatin1String("name")).toString(), state == u"hidden" || state == u"veryHidden"};
            m_parts << target.target;
        }
        if (m_sheets.isEmpty())
            throw ImportError(QStringLiteral("в книге нет ни одного листа"));
        for (const Relationship& r : targets) {
            if (r.type.endsWith(QLatin1String("/sharedStrings")))
                m_stringsPart = r.target;
            else if (r.type.endsWith(QLatin1String("/styles")))
                m_stylesPart = r.target;
        }
    }

    // Each string once, its runs joined, phonetic guides left out.
    void readStrings() {
        if (m_stringsPart.isEmpty() || !m_package->contains(m_stringsPart))
            return;
        XmlPart xml(*m_package, m_stringsPart);
        QString text;
        int phonetic = 0;
        while (xml.next()) {
            QXmlStreamReader& r = xml.xml();
            if (r.isStartElement()) {
                if (r.name() == u"si")
                    text.clear();
                else if (r.name() == u"rPh")
                    ++phonetic;
                else if (r.name() == u"t" && phonetic == 0)
                    text += xml.elementText();
            } else if (r.isEndElement()) {
                if (r.name() == u"rPh")
                    --phonetic;
                else if (r.name() == u"si")
                    m_shared.strings << unescapedText(text);
            }
        }
    }

    void readStyles() {
        if (m_stylesPart.isEmpty() || !m_package->contains(m_stylesPart))
            return;
        XmlPart xml(*m_package, m_stylesPart);
        QHash<int, QString> codes;
        bool cellFormats = false;
        int index = 0;
        while (xml.next()) {
            QXmlStreamReader& r = xml.xml();
            if (r.isEndElement() && r.name() == u"cellXfs")
                cellFormats = false;
            if (!r.isStartElement())
                continue;
            const QXmlStreamAttributes a = r.attributes();
            if (r.name() == u"numFmt")
                codes.insert(a.value(QLatin1String("numFmtId")).toInt(),
                             a.value(QLatin1String("formatCode")).toString());
            else if (r.name() == u"cellXfs")
                cellFormats = true;
            else if (cellFormats && r.name() == u"xf") {
                const int id = a.value(QLatin1String("numFmtId")).toInt();
                if (isDateFormat(id, codes.value(id)))
                    m_shared.dateStyles.insert(index);
                ++index;
            }
        }
    }

    std::unique_ptr<ZipPackage> m_package;
    QString m_workbook, m_stringsPart, m_stylesPart;
    QList<Sheet> m_sheets;
    QStringList m_parts;
    Shared m_shared;
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

QString numberText(const QString& value) {
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok)
        return value;
    if (number == std::floor(number) && std::fabs(number) < 1e15)
        return QString::number(qint64(number));
    const QString shorter = QString::number(number, 'g', 15);
    return shorter.contains(u'e') ? value : shorter;
}

void putCell(QStringList& row, qint64 column, const QString& value) {
    if (column >= Workbook::kMostColumns)
        throw ImportError(QStringLiteral("на листе больше %1 столбцов").arg(Workbook::kMostColumns));
    while (row.size() <= column)
        row << QString();
    row[column] = value;
}

std::unique_ptr<Workbook> openXlsx(std::unique_ptr<ZipPackage> package) {
    return std::make_unique<XlsxWorkbook>(std::move(package));
}

} // namespace imports
