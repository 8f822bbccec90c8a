#include "imports/Collections.h"

#include "imports/ImportDates.h"
#include "imports/ImportError.h"

#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>

namespace imports {
namespace {

void failOn(const QXmlStreamReader& xml) {
    if (xml.hasError())
        throw ImportError(QStringLiteral("файл коллекции повреждён (строка %1, знак %2)")
                              .arg(xml.lineNumber())
                              .arg(xml.columnNumber()));
}

// The code point of the UTF-8 sequence at p (at most n bytes) and its
// length; a stray byte is itself.
char32_t codeAt(const uchar* p, qsizetype n, int& length) {
    const int more = p[0] >= 0xF0 ? 3 : p[0] >= 0xE0 ? 2 : p[0] >= 0xC0 ? 1 : 0;
    char32_t code = more ? p[0] & (0x3F >> more) : p[0];
    length = 1;
    for (int k = 1; k <= more && k < n && (p[k] & 0xC0) == 0x80; ++k, ++length)
        code = (code << 6) | (p[k] & 0x3F);
    return code;
}

// A control character XML forbids: a form feed is a line break, the others nothing.
QByteArray controlCharacter(char32_t code) { return code == 0x0C ? QByteArray("\n") : QByteArray(); }

bool forbidden(char32_t code) { return code < 0x20 && code != 0x09 && code != 0x0A && code != 0x0D; }

// The XML as the collectors' own programs read what they wrote: anything
// before its declaration left out, control characters (raw or as
// references) taken out, and element names holding signs a strict reader
// refuses (emoji or a colon in a field of the user's own) made of letters
// and digits only.
QByteArray readableXml(const QByteArray& bytes) {
    QByteArray out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    // A program's messages written before the document (as a failed
    // download leaves them) are no part of it.
    const qsizetype declaration = bytes.left(1 << 16).indexOf("<?xml");
    for (qsizetype i = std::max<qsizetype>(declaration, 0); i < n;) {
        if (forbidden(p[i])) {
            out += controlCharacter(p[i++]);
        } else if (p[i] == '&' && i + 2 < n && p[i + 1] == '#') {
            const qsizetype end = bytes.indexOf(';', i);
            bool ok = false;
            const QByteArray digits = end > i ? bytes.mid(i + 2, end - i - 2) : QByteArray();
            const uint code = digits.startsWith('x') ? digits.mid(1).toUInt(&ok, 16) : digits.toUInt(&ok, 10);
            if (ok && forbidden(code)) {
                out += controlCharacter(code);
                i = end + 1;
            } else {
                out += char(p[i++]);
            }
        } else if (p[i] == '<' && i + 1 < n && p[i + 1] != '!' && p[i + 1] != '?') {
            out += '<';
            ++i;
            if (p[i] == '/')
                out += char(p[i++]);
            // The element's name, to the first space, '/' or '>'.
            while (i < n && p[i] != ' ' && p[i] != '\t' && p[i] != '\n' && p[i] != '\r' && p[i] != '/' && p[i] != '>') {
                int length = 1;
                const char32_t code = codeAt(p + i, n - i, length);
                // A colon makes a prefix of no namespace here: "lc-no.:" is a field's name.
                const bool kept = (code < 0x80 && code != ':')
                                  || (code >= 0x80 && code < 0x10000 && QChar(char16_t(code)).isLetterOrNumber());
                out += kept ? bytes.mid(i, length) : QByteArray("_");
                i += length;
            }
        } else {
            out += char(p[i++]);
        }
    }
    return out;
}

// A text as the XML indents it: each line without the indentation, empty
// lines at either end left out.
QString withoutIndentation(const QString& text) {
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        line = line.trimmed();
    while (!lines.isEmpty() && lines.first().isEmpty())
        lines.removeFirst();
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(u'\n');
}

// Comments are kept as HTML by some: line breaks stay, other tags go.
QString plainText(QString text) {
    static const QRegularExpression lineBreak(QStringLiteral("<br\\s*/?>|</p>"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    static const QRegularExpression white(QStringLiteral("\\s+"));
    if (!text.contains(u'<'))
        return withoutIndentation(text);
    // As HTML: its own line breaks are spaces, its tags make the lines.
    text.replace(white, QStringLiteral(" ")).replace(lineBreak, QStringLiteral("\n")).remove(tag);
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&nbsp;"), QStringLiteral(" "))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return withoutIndentation(text);
}

// A date of the file: empty stays NaN; one that does not read is the
// record's problem.
double dateOf(Record& record, const QString& text, const QString& what) {
    const double day = parseDate(text);
    if (std::isnan(day) && !text.trimmed().isEmpty() && record.problem.isEmpty())
        record.problem = QStringLiteral("%1 '%2' не распознана").arg(what, text);
    return day;
}

QString tellicoKind(int type) {
    static const QHash<int, QString> kinds{
        {2, QStringLiteral("Книга")},  {3, QStringLiteral("Видео")},  {4, QStringLiteral("Музыка")},
        {5, QStringLiteral("Статья")}, {6, QStringLiteral("Комикс")}, {7, QStringLiteral("Вино")},
        {8, QStringLiteral("Монета")}, {9, QStringLiteral("Марка")},  {10, QStringLiteral("Карточка")},
        {11, QStringLiteral("Игра")},  {12, QStringLiteral("Файл")},  {13, QStringLiteral("Настольная игра")},
    };
    return kinds.value(type);
}

QString gcstarKind(const QString& type) {
    static const QHash<QString, QString> kinds{
        {QStringLiteral("GCbooks"), QStringLiteral("Книга")},
        {QStringLiteral("GCfilms"), QStringLiteral("Фильм")},
        {QStringLiteral("GCmusics"), QStringLiteral("Музыка")},
        {QStringLiteral("GCgames"), QStringLiteral("Игра")},
        {QStringLiteral("GCboardgames"), QStringLiteral("Настольная игра")},
        {QStringLiteral("GCcomics"), QStringLiteral("Комикс")},
        {QStringLiteral("GCcoins"), QStringLiteral("Монета")},
        {QStringLiteral("GCTVseries"), QStringLiteral("Сериал")},
        {QStringLiteral("GCTVepisodes"), QStringLiteral("Серия")},
        {QStringLiteral("GCsoftware"), QStringLiteral("Программа")},
        {QStringLiteral("GCwines"), QStringLiteral("Вино")},
        {QStringLiteral("GCperiodicals"), QStringLiteral("Журнал")},
        {QStringLiteral("GCstamps"), QStringLiteral("Марка")},
    };
    // A kind of the collector's own («Knives»): its name.
    return kinds.value(type, type.startsWith(QLatin1String("GC")) ? type.mid(2) : type);
}

// The entry's fields that say what kind of thing it is, in order of preference.
const QStringList kKindFields{QStringLiteral("medium"), QStringLiteral("binding"), QStringLiteral("platform"),
                              QStringLiteral("format"), QStringLiteral("type")};

QString firstOf(const QHash<QString, QString>& fields, const QStringList& names) {
    for (const QString& name : names)
        if (!fields.value(name).trimmed().isEmpty())
            return fields.value(name).trimmed();
    return {};
}

// A Tellico entry's fields: its simple child elements by name.
QHash<QString, QString> entryFields(QXmlStreamReader& xml) {
    QHash<QString, QString> fields;
    while (xml.readNextStartElement()) {
        const QString name = xml.name().toString();
        fields.insert(name, xml.readElementText(QXmlStreamReader::SkipChildElements));
    }
    return fields;
}

// A picture's or a file's path, as collections keep beside the title.
bool looksLikeFile(QStringView value) {
    static const QRegularExpression file(QStringLiteral("[/\\\\][^/\\\\]*\\.[A-Za-z0-9]{2,4}$"));
    return file.match(value).hasMatch();
}

struct TellicoLoan {
    QString borrower, lent, due;
};

} // namespace

QList<Record> readTellico(const QByteArray& bytes) {
    QXmlStreamReader xml(readableXml(bytes));
    xml.setNamespaceProcessing(false);
    QList<Record> records;
    QHash<QString, qsizetype> byId; // entry id -> record
    QHash<QString, TellicoLoan> loans;
    QString kind, borrower;
    bool rootSeen = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (!rootSeen) {
            rootSeen = true;
            if (name != u"tellico" && name != u"bookcase")
                throw ImportError(QStringLiteral("файл не является коллекцией Tellico"));
        } else if (name == u"collection") {
            kind = tellicoKind(xml.attributes().value(QLatin1String("type")).toInt());
        } else if (name == u"entry") {
            const QString id = xml.attributes().value(QLatin1String("id")).toString();
            const QHash<QString, QString> fields = entryFields(xml);
            Record record;
            record.row = records.size() + 1;
            record.title = fields.value(QStringLiteral("title")).trimmed();
            record.kind = firstOf(fields, kKindFields);
            if (record.kind.isEmpty())
                record.kind = kind;
            record.note = plainText(fields.value(QStringLiteral("comments")));
            byId.insert(id, records.size());
            records << record;
        } else if (name == u"borrower") {
            borrower = xml.attributes().value(QLatin1String("name")).toString().trimmed();
        } else if (name == u"loan") {
            const QXmlStreamAttributes a = xml.attributes();
            loans.insert(a.value(QLatin1String("entryRef")).toString(),
                         {borrower, a.value(QLatin1String("loanDate")).toString(),
                          a.value(QLatin1String("dueDate")).toString()});
        }
    }
    failOn(xml);
    for (auto loan = loans.cbegin(); loan != loans.cend(); ++loan) {
        if (!byId.contains(loan.key()))
            continue;
        Record& record = records[byId.value(loan.key())];
        record.debtor = loan->borrower;
        record.issue = dateOf(record, loan->lent, QStringLiteral("дата выдачи"));
        record.due = dateOf(record, loan->due, QStringLiteral("дата возврата"));
    }
    for (Record& record : records)
        check(record);
    return records;
}

QList<Record> readGcstar(const QByteArray& bytes) {
    QXmlStreamReader xml(readableXml(bytes));
    xml.setNamespaceProcessing(false);
    QList<Record> records;
    QString kind;
    if (!xml.readNextStartElement() || xml.name() != u"collection")
        throw ImportError(QStringLiteral("файл не является коллекцией GCstar"));
    kind = gcstarKind(xml.attributes().value(QLatin1String("type")).toString());
    while (xml.readNextStartElement()) {
        if (xml.name() != u"item") {
            xml.skipCurrentElement();
            continue;
        }
        QHash<QString, QString> fields;
        QString firstValue; // a kind of the user's own names its fields gcsfield1, gcsfield2…
        for (const QXmlStreamAttribute& a : xml.attributes()) {
            fields.insert(a.name().toString(), a.value().toString());
            if (firstValue.isEmpty() && a.name() != u"id" && a.name() != u"gcsautoid" && !looksLikeFile(a.value()))
                firstValue = a.value().toString().trimmed();
        }
        Record record;
        record.row = records.size() + 1;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"borrowings") {
                fields.insert(xml.name().toString(), xml.readElementText(QXmlStreamReader::SkipChildElements));
                continue;
            }
            while (xml.readNextStartElement()) { // <line><col>who</col><col>lent</col><col>returned</col></line>
                QStringList cols;
                while (xml.readNextStartElement())
                    cols << xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                if (cols.size() < 3 || cols[2].isEmpty())
                    continue; // not returned: the current loan, kept with the item
                PastLoan past{cols[0], dateOf(record, cols[1], QStringLiteral("дата выдачи в истории")),
                              dateOf(record, cols[2], QStringLiteral("дата возврата в истории"))};
                record.past << past;
            }
        }
        record.title = firstOf(fields, {QStringLiteral("title"), QStringLiteral("name")});
        if (record.title.isEmpty() && fields.contains(QStringLiteral("gcsautoid")))
            record.title = firstValue; // its title field, which the collection's own model names, comes first
        record.kind = firstOf(fields, kKindFields);
        if (record.kind.isEmpty())
            record.kind = kind;
        record.note = plainText(firstOf(fields, {QStringLiteral("comments"), QStringLiteral("comment")}));
        const QString borrower = fields.value(QStringLiteral("borrower")).trimmed();
        if (!borrower.isEmpty() && borrower != u"none") {
            record.debtor = borrower == u"unknown" ? QStringLiteral("Неизвестный") : borrower;
            record.issue = dateOf(record, fields.value(QStringLiteral("lendDate")), QStringLiteral("дата выдачи"));
        }
        check(record);
        records << record;
    }
    failOn(xml);
    return records;
}

} // namespace imports
