// OpenDocument spreadsheets: every sheet is a table of content.xml; rows
// and cells may stand for several alike (number-…-repeated), which is how
// a sheet's empty remainder is written, so only what comes before
// something filled is ever made. Read as it is unpacked.
#include "imports/ImportError.h"
#include "imports/Workbooks.h"
#include "imports/XmlPart.h"
#include "imports/ZipPackage.h"

#include <QSet>

#include <algorithm>

namespace imports {
namespace {

const QString kContent = QStringLiteral("content.xml");

qint64 repeats(const QXmlStreamAttributes& a, QLatin1String attribute) {
    const qint64 n = a.value(attribute).toLongLong();
    return n > 1 ? n : 1;
}

// The text of a cell as its paragraphs show it: white space collapsed as
// the format says, "text:s" spaces, tabs and line breaks as written, one
// line a paragraph; notes left out. The part ends on the cell's end.
class CellText {
public:
    explicit CellText(XmlPart& xml) : m_xml(xml) {}
    QString read() {
        QXmlStreamReader& r = m_xml.xml();
        for (int depth = 1; depth > 0 && m_xml.next();) {
            if (r.isStartElement()) {
                ++depth;
                const QStringView name = r.qualifiedName();
                if (name == u"office:annotation" || name == u"text:note") {
                    skip();
                    --depth;
                } else if (name == u"text:p" || name == u"text:h") {
                    if (m_paragraphs++ > 0)
                        m_text += u'\n';
                    m_space = true; // leading white space of a paragraph is none
                } else if (name == u"text:s") {
                    m_text += QString(
                        int(std::clamp<qint64>(r.attributes().value(QLatin1String("text:c")).toLongLong(), 1, 1000)),
                        u' ');
                    m_space = false;
                    m_collapsedLast = false;
                } else if (name == u"text:tab") {
                    m_text += u'\t';
                    m_collapsedLast = false;
                } else if (name == u"text:line-break") {
                    m_text += u'\n';
                    m_space = true;
                    m_collapsedLast = false;
                }
            } else if (r.isEndElement()) {
                --depth;
                if (r.qualifiedName() == u"text:p" || r.qualifiedName() == u"text:h")
                    endParagraph();
            } else if (r.isCharacters() && m_paragraphs > 0) {
                collapse(r.text());
            }
        }
        return m_text;
    }

private:
    void skip() {
        for (int depth = 1; depth > 0 && m_xml.next();)
            depth += m_xml.xml().isStartElement() ? 1 : m_xml.xml().isEndElement() ? -1 : 0;
    }
    void collapse(QStringView text) {
        for (QChar c : text) {
            const bool white = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
            if (white && !m_space)
                m_text += u' ';
            else if (!white)
                m_text += c;
            m_collapsedLast = white && (m_collapsedLast || !m_space);
            m_space = white;
        }
    }
    void endParagraph() {
        if (m_collapsedLast) // white space at a paragraph's end is none
            m_text.chop(1);
        m_collapsedLast = false;
    }

    XmlPart& m_xml;
    QString m_text;
    int m_paragraphs = 0;
    bool m_space = true;          // the last character was white space
    bool m_collapsedLast = false; // and it stands for white space collapsed
};

QString cellValue(XmlPart& xml) {
    const QXmlStreamAttributes a = xml.xml().attributes();
    QString type = a.value(QLatin1String("office:value-type")).toString();
    if (type.isEmpty())
        type = a.value(QLatin1String("calcext:value-type")).toString();
    const QString text = CellText(xml).read();
    if (type == u"date")
        return a.value(QLatin1String("office:date-value")).left(10).toString();
    if (type == u"float" || type == u"percentage" || type == u"currency")
        return numberText(a.value(QLatin1String("office:value")).toString());
    if (type == u"boolean")
        return a.value(QLatin1String("office:boolean-value")) == u"true" ? QStringLiteral("ИСТИНА")
                                                                         : QStringLiteral("ЛОЖЬ");
    return text;
}

class OdsRows : public SheetRows {
public:
    OdsRows(ZipPackage& zip, int sheet) : m_xml(zip, kContent), m_sheet(sheet) {}

    bool next(QStringList& cells, qint64& number) override {
        if (m_repeated > 0) {
            --m_repeated;
            cells = m_last;
            number = ++m_number;
            return true;
        }
        QXmlStreamReader& r = m_xml.xml();
        while (m_xml.next()) {
            if (r.isEndElement() && r.qualifiedName() == u"table:table" && m_table == m_sheet)
                return false;
            if (!r.isStartElement())
                continue;
            if (r.qualifiedName() == u"table:table" && ++m_table > m_sheet)
                return false;
            if (m_table != m_sheet || r.qualifiedName() != u"table:table-row")
                continue;
            const qint64 times = repeats(r.attributes(), QLatin1String("table:number-rows-repeated"));
            QStringList row = readRow();
            if (row.isEmpty()) {
                m_number += times;
                continue;
            }
            if (m_number + times > Workbook::kMostRows)
                throw ImportError(QStringLiteral("на листе больше %1 строк").arg(Workbook::kMostRows));
            m_repeated = times - 1;
            m_last = row;
            cells = std::move(row);
            number = ++m_number;
            return true;
        }
        return false;
    }

    double progress() const override { return m_xml.progress(); }

private:
    // The row's cells, empty ones at its end left out; the part ends on the
    // row's end.
    QStringList readRow() {
        QStringList row;
        qint64 pending = 0; // empty cells not made until something follows
        QXmlStreamReader& r = m_xml.xml();
        while (m_xml.next() && !(r.isEndElement() && r.qualifiedName() == u"table:table-row")) {
            if (!r.isStartElement())
                continue;
            const QStringView name = r.qualifiedName();
            if (name != u"table:table-cell" && name != u"table:covered-table-cell")
                continue;
            const qint64 times = repeats(r.attributes(), QLatin1String("table:number-columns-repeated"));
            const QString value = cellValue(m_xml);
            if (value.isEmpty()) {
                pending += times;
                continue;
            }
            if (row.size() + pending + times > Workbook::kMostColumns)
                throw ImportError(QStringLiteral("на листе больше %1 столбцов").arg(Workbook::kMostColumns));
            const qint64 first = row.size() + pending;
            for (qint64 i = 0; i < times; ++i)
                putCell(row, first + i, value);
            pending = 0;
        }
        return row;
    }

    XmlPart m_xml;
    int m_sheet;
    int m_table = -1;
    qint64 m_number = 0, m_repeated = 0;
    QStringList m_last;
};

// The styles that hide a table, from the part's automatic styles.
QSet<QString> hidingStyles(ZipPackage& zip) {
    QSet<QString> hiding;
    XmlPart xml(zip, kContent);
    QString style;
    while (xml.next()) {
        QXmlStreamReader& r = xml.xml();
        if (r.isStartElement() && r.qualifiedName() == u"office:body")
            break;
        if (!r.isStartElement())
            continue;
        if (r.qualifiedName() == u"style:style")
            style = r.attributes().value(QLatin1String("style:name")).toString();
        else if (r.qualifiedName() == u"style:table-properties"
                 && r.attributes().value(QLatin1String("table:display")) == u"false")
            hiding.insert(style);
    }
    return hiding;
}

QString attributeIn(const QByteArray& tag, const QByteArray& name) {
    const qsizetype at = tag.indexOf(' ' + name + "=\"");
    if (at < 0)
        return {};
    const qsizetype from = at + name.size() + 3, to = tag.indexOf('"', from);
    QXmlStreamReader value("<v a=\"" + tag.mid(from, to - from) + "\"/>"); // entities undone
    value.readNextStartElement();
    return value.attributes().value(QLatin1String("a")).toString();
}

// The tables of content.xml, found in its bytes: a sheet of a million rows
// need not be parsed to be named.
QList<Sheet> tablesOf(ZipPackage& zip) {
    const QSet<QString> hiding = hidingStyles(zip);
    QList<Sheet> sheets;
    const std::unique_ptr<ZipEntry> content = zip.open(kContent);
    QByteArray buffer, piece;
    const QByteArray start = "<table:table ";
    while (content->next(piece)) {
        buffer += piece;
        qsizetype at = 0;
        for (qsizetype tag; (tag = buffer.indexOf(start, at)) >= 0; at = tag + 1) {
            const qsizetype end = buffer.indexOf('>', tag);
            if (end < 0) {
                at = tag;
                break;
            }
            const QByteArray text = buffer.mid(tag, end - tag);
            sheets << Sheet{attributeIn(text, "table:name"), hiding.contains(attributeIn(text, "table:style-name"))};
            at = end;
        }
        // What may begin a tag cut by the piece's end is kept.
        buffer = buffer.mid(std::max(at, buffer.size() - start.size()));
        if (buffer.size() > (1 << 16))
            throw ImportError(QStringLiteral("часть 'content.xml' таблицы повреждена"));
    }
    return sheets;
}

class OdsWorkbook : public Workbook {
public:
    explicit OdsWorkbook(std::unique_ptr<ZipPackage> package) : m_package(std::move(package)) {
        const QString manifest = QStringLiteral("META-INF/manifest.xml");
        if (m_package->contains(manifest) && m_package->read(manifest).contains("encryption-data"))
            throw ImportError(QStringLiteral("таблица защищена паролем: снимите пароль в LibreOffice "
                                             "(«Файл» — «Свойства» — «Безопасность») и импортируйте снова"));
        if (!m_package->contains(kContent))
            throw ImportError(QStringLiteral("в файле нет ни одного листа"));
        m_sheets = tablesOf(*m_package);
        if (m_sheets.isEmpty())
            throw ImportError(QStringLiteral("в файле нет ни одного листа"));
    }

    QList<Sheet> sheets() const override { return m_sheets; }

    std::unique_ptr<SheetRows> rows(int sheet) override { return std::make_unique<OdsRows>(*m_package, sheet); }

private:
    std::unique_ptr<ZipPackage> m_package;
    QList<Sheet> m_sheets;
};

} // namespace

std::unique_ptr<Workbook> openOds(std::unique_ptr<ZipPackage> package) {
    return std::make_unique<OdsWorkbook>(std::move(package));
}

} // namespace imports
