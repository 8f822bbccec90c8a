#include "imports/RowMapping.h"

#include "imports/ImportDates.h"

#include <QRegularExpression>

#include <algorithm>

namespace imports {
namespace {

// A header as words: lower case, Ё as Е, anything but letters and digits a
// space, "lentTo" two words.
QStringList wordsOf(const QString& header) {
    QString text;
    for (qsizetype i = 0; i < header.size(); ++i) {
        const QChar c = header[i];
        if (c.isUpper() && i > 0 && header[i - 1].isLower())
            text += u' ';
        text += c.isLetterOrNumber() ? c.toLower() : QChar(u' ');
    }
    text.replace(u'ё', u'е');
    return text.split(u' ', Qt::SkipEmptyParts);
}

struct Phrase {
    QStringList words;
    bool partly; // it counts inside a longer header too
};

QList<Phrase> phrases(std::initializer_list<const char*> exact, std::initializer_list<const char*> partly) {
    QList<Phrase> list;
    for (const char* p : exact)
        list << Phrase{wordsOf(QString::fromUtf8(p)), false};
    for (const char* p : partly)
        list << Phrase{wordsOf(QString::fromUtf8(p)), true};
    return list;
}

// The words each field's header is made of, as lists of lenders and library
// programs export them; a bare "name", "date" or "issue" names no field.
const std::array<QList<Phrase>, FieldCount>& fieldPhrases() {
    static const std::array<QList<Phrase>, FieldCount> all{
        phrases({"name", "item", "предмет", "вещь", "книга", "book", "game", "игра", "film", "фильм"},
                {"наименование", "название", "заглавие", "заголовок", "title", "item name", "book title"}),
        phrases({"тип", "type", "format", "формат", "medium", "media", "kind"},
                {"вид", "категория", "жанр", "носитель", "category", "genre", "media type", "item type"}),
        phrases({"memo"}, {"примечание", "примечания", "описание", "комментарий", "комментарии", "заметки", "заметка",
                           "note", "notes", "comment", "comments", "description", "remarks"}),
        phrases({"кому", "контакт", "member", "holder", "взяла"},
                {"должник", "у кого", "кому выдано", "кому выдана", "кому выдан", "заемщик", "заемщица", "взял",
                 "читатель", "borrower", "borrowed by", "debtor", "lent to", "loaned to", "loan to", "patron",
                 "checked out by", "who has it"}),
        phrases({"выдано", "выдан", "выдана", "issued", "lent", "borrowed", "checked out", "out"},
                {"дата выдачи", "когда выдано", "issue date", "date issued", "issued on", "lent on", "loan date",
                 "lend date", "date lent", "borrowed on", "date borrowed", "checkout date", "checked out on",
                 "date out"}),
        phrases({"возврат", "return", "due"}, {"дата возврата", "вернуть", "вернуть до", "срок", "срок возврата",
                                               "due date", "date due", "due back", "return date", "return by"}),
    };
    return all;
}

// Headers of other columns lists have: they make a header, they give no field.
const QList<Phrase>& otherHeaders() {
    static const QList<Phrase> other =
        phrases({"author",  "authors",  "isbn",     "publisher", "year",         "pages",       "price",
                 "barcode", "id",       "номер",    "автор",     "авторы",       "год",         "издательство",
                 "страниц", "цена",     "штрихкод", "library",   "library name", "call number", "series",
                 "edition", "language", "язык",     "серия",     "shelf",        "location",    "полка",
                 "status",  "статус",   "phone",    "телефон",   "email"},
                {});
    return other;
}

bool containsWords(const QStringList& header, const QStringList& phrase) {
    for (qsizetype at = 0; at + phrase.size() <= header.size(); ++at)
        if (std::equal(phrase.begin(), phrase.end(), header.begin() + at))
            return true;
    return false;
}

// How well a header names a phrase: whole, inside it, or not at all.
int scoreOf(const QStringList& header, const QList<Phrase>& list) {
    int best = 0;
    for (const Phrase& p : list) {
        if (header == p.words)
            return 100;
        if (p.partly && containsWords(header, p.words))
            best = std::max(best, int(50 - (header.size() - p.words.size())));
    }
    return best;
}

bool looksLikeData(const QString& cell) {
    static const QRegularExpression number(QStringLiteral("^[-+]?\\d+([.,]\\d+)?$"));
    const QString text = cell.trimmed();
    return !text.isEmpty() && (number.match(text).hasMatch() || !std::isnan(parseDate(text)));
}

int filledCells(const QStringList& cells) {
    return int(std::count_if(cells.begin(), cells.end(), [](const QString& c) { return !c.trimmed().isEmpty(); }));
}

bool looksLikeHeader(const QStringList& cells) {
    bool named = false;
    for (const QString& cell : cells) {
        if (looksLikeData(cell))
            return false;
        const QStringList words = wordsOf(cell);
        named = named || scoreOf(words, otherHeaders()) > 0
                || std::any_of(fieldPhrases().begin(), fieldPhrases().end(),
                               [&](const QList<Phrase>& p) { return scoreOf(words, p) > 0; });
    }
    return named;
}

double dateIn(Record& record, const QString& text, Field field, bool monthFirst) {
    const double day = parseDate(text, monthFirst);
    if (std::isnan(day) && !text.trimmed().isEmpty() && record.problem.isEmpty())
        record.problem = QStringLiteral("%1: '%2' — не дата").arg(fieldCaption(field), text.trimmed());
    return day;
}

} // namespace

QString fieldCaption(Field field) {
    static const std::array<QString, FieldCount> captions{
        QStringLiteral("Наименование"), QStringLiteral("Вид"),         QStringLiteral("Примечание"),
        QStringLiteral("Должник"),      QStringLiteral("Дата выдачи"), QStringLiteral("Дата возврата")};
    return captions[field];
}

std::array<int, FieldCount> columnsNamedBy(const QStringList& header) {
    std::array<int, FieldCount> columns;
    columns.fill(-1);
    // Every field and column scored; the best pairs taken first, each field
    // and each column once.
    std::array<QList<int>, FieldCount> scores;
    for (int f = 0; f < FieldCount; ++f)
        for (const QString& cell : header)
            scores[f] << scoreOf(wordsOf(cell), fieldPhrases()[f]);
    QList<bool> taken(header.size(), false);
    for (;;) {
        int bestField = -1, bestColumn = -1, best = 0;
        for (int f = 0; f < FieldCount; ++f)
            for (int c = 0; columns[f] < 0 && c < header.size(); ++c)
                if (!taken[c] && scores[f][c] > best) {
                    best = scores[f][c];
                    bestField = f;
                    bestColumn = c;
                }
        if (bestField < 0)
            return columns;
        columns[bestField] = bestColumn;
        taken[bestColumn] = true;
    }
}

Mapping guessMapping(const QList<NumberedRow>& firstRows) {
    Mapping mapping;
    const auto wide =
        std::find_if(firstRows.begin(), firstRows.end(), [](const NumberedRow& r) { return filledCells(r.cells) > 1; });
    const auto filled =
        std::find_if(firstRows.begin(), firstRows.end(), [](const NumberedRow& r) { return filledCells(r.cells) > 0; });
    const auto start = wide != firstRows.end() ? wide : filled;
    if (start == firstRows.end())
        return mapping;
    mapping.firstRow = start->number;
    mapping.header = looksLikeHeader(start->cells);
    if (mapping.header)
        mapping.columns = columnsNamedBy(start->cells);
    else
        mapping.columns[Title] = 0;
    mapping.monthFirst = monthFirstIn(firstRows, mapping);
    return mapping;
}

bool monthFirstIn(const QList<NumberedRow>& rows, const Mapping& mapping) {
    QStringList dates;
    for (const NumberedRow& row : rows)
        if (mapping.imports(row.number))
            for (const Field field : {Issue, Due})
                dates << row.cells.value(mapping.columns[field]);
    return slashDatesMonthFirst(dates);
}

bool isBlank(const QStringList& cells) {
    for (const QString& cell : cells)
        for (QChar c : cell)
            if (!c.isSpace())
                return false;
    return true;
}

Record recordOf(const QStringList& cells, qint64 row, const Mapping& mapping) {
    const auto cell = [&](Field field) {
        const int column = mapping.columns[field];
        return column >= 0 && column < cells.size() ? cells[column].trimmed() : QString();
    };
    Record record;
    record.row = row;
    record.title = cell(Title);
    record.kind = cell(Kind);
    record.note = cell(Note);
    record.debtor = cell(Debtor);
    record.issue = dateIn(record, cell(Issue), Issue, mapping.monthFirst);
    record.due = dateIn(record, cell(Due), Due, mapping.monthFirst);
    check(record);
    return record;
}

} // namespace imports
