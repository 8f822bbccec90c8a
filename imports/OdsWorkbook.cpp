// OpenDocument spreadsheets: every sheet is a table of content.xml; rows
// and cells may stand for several alike (number-…-repeated), which is how
// a sheet's empty remainder is written, so only what comes before
// something filled is ever made.
#include "imports/ImportError.h"
#include "imports/Workbooks.h"
#include "imports/ZipPackage.h"

#include <QXmlStreamReader>

#include <algorithm>

namespace imports {
namespace {

const QString kContent = QStringLiteral("content.xml");

void failOn(const QXmlStreamReader& xml) {
    if (xml.hasError())
        throw ImportError(QStringLiteral("часть 'content.xml' таблицы повреждена: %1").arg(xml.errorString()));
}

qint64 repeats(const QXmlStreamReader& xml, QLatin1String attribute) {
    const qint64 n = xml.attributes().value(attribute).toLongLong();
    return n > 1 ? n : 1;
}

// The paragraphs of a cell, one line each; spaces and tabs as written.
QString cellText(QXmlStreamReader& xml) {
    QString text;
    int depth = 1, paragraphs = 0;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (xml.name() == u"p" && paragraphs++ > 0)
                text += u'\n';
            else if (xml.name() == u"s")
                text += QString(int(std::clamp<qint64>(xml.attributes().value(QLatin1String("text:c")).toLongLong(), 1, 1000)), u' ');
            else if (xml.name() == u"tab")
                text += u'\t';
            else if (xml.name() == u"line-break")
                text += u'\n';
            else if (xml.name() == u"annotation") {
                xml.skipCurrentElement();
                --depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        } else if (token == QXmlStreamReader::Characters) {
            text += xml.text();
        }
    }
    return text;
}

QString cellValue(QXmlStreamReader& xml) {
    const QXmlStreamAttributes a = xml.attributes();
    const QStringView type = a.value(QLatin1String("office:value-type"));
    if (type == u"date") {
        const QString date = a.value(QLatin1String("office:date-value")).left(10).toString();
        xml.skipCurrentElement();
        return date;
    }
    if (type == u"float" || type == u"percentage" || type == u"currency") {
        const QString number = a.value(QLatin1String("office:value")).toString();
        xml.skipCurrentElement();
        return number;
    }
    return cellText(xml);
}

class OdsWorkbook : public Workbook {
public:
    explicit OdsWorkbook(std::unique_ptr<ZipPackage> package) : m_package(std::move(package)) {
        m_content = m_package->read(kContent);
        QXmlStreamReader xml(m_content);
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.qualifiedName() == u"table:table")
                m_names << xml.attributes().value(QLatin1String("table:name")).toString();
        failOn(xml);
        if (m_names.isEmpty())
            throw ImportError(QStringLiteral("в файле нет ни одного листа"));
    }

    QStringList sheetNames() const override { return m_names; }

    QList<QStringList> rows(int sheet) override {
        QXmlStreamReader xml(m_content);
        int table = -1;
        QList<QStringList> rows;
        qint64 pendingRows = 0; // empty rows not made until something follows
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.qualifiedName() == u"table:table" && ++table > sheet)
                break;
            if (table != sheet || xml.qualifiedName() != u"table:table-row")
                continue;
            const qint64 times = repeats(xml, QLatin1String("table:number-rows-repeated"));
            const QStringList row = readRow(xml);
            if (row.isEmpty()) {
                pendingRows += times;
                continue;
            }
            if (rows.size() + pendingRows + times > kMostRows)
                throw ImportError(QStringLiteral("на листе больше %1 строк").arg(kMostRows));
            rows.resize(rows.size() + pendingRows);
            pendingRows = 0;
            for (qint64 i = 0; i < times; ++i)
                rows << row;
        }
        failOn(xml);
        return rows;
    }

private:
    // The row's cells, empty ones at its end left out; the reader ends on
    // the row's end.
    QStringList readRow(QXmlStreamReader& xml) {
        QStringList row;
        qint64 pendingCells = 0;
        while (xml.readNextStartElement()) {
            const QStringView name = xml.qualifiedName();
            if (name != u"table:table-cell" && name != u"table:covered-table-cell") {
                xml.skipCurrentElement();
                continue;
            }
            const qint64 times = repeats(xml, QLatin1String("table:number-columns-repeated"));
            const QString value = cellValue(xml);
            if (value.isEmpty()) {
                pendingCells += times;
                continue;
            }
            if (row.size() + pendingCells + times > kMostColumns)
                throw ImportError(QStringLiteral("на листе больше %1 столбцов").arg(kMostColumns));
            for (qint64 i = 0; i < pendingCells; ++i)
                row << QString();
            pendingCells = 0;
            for (qint64 i = 0; i < times; ++i)
                row << value;
        }
        return row;
    }

    std::unique_ptr<ZipPackage> m_package;
    QByteArray m_content;
    QStringList m_names;
};

} // namespace

std::unique_ptr<Workbook> openOds(std::unique_ptr<ZipPackage> package) {
    return std::make_unique<OdsWorkbook>(std::move(package));
}

} // namespace imports
