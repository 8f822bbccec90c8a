#include "imports/RowMapping.h"

#include "imports/ImportDates.h"

namespace imports {
namespace {

QString folded(const QString& text) {
    return text.trimmed().toLower().replace(u'ё', u'е').replace(u'_', u' ');
}

// Words a header of each field is made of, those that decide first first.
const std::array<QStringList, FieldCount>& headerWords() {
    static const std::array<QStringList, FieldCount> words{
        QStringList{"наименование", "название", "заглавие", "title", "name", "item"},
        QStringList{"вид", "тип", "категория", "жанр", "носитель", "формат", "kind", "type", "category", "genre",
                    "medium", "format"},
        QStringList{"примечание", "описание", "комментарий", "заметки", "заметка", "note", "comment",
                    "description"},
        QStringList{"должник", "у кого", "кому", "заемщик", "контакт", "взял", "borrower", "debtor", "lent to",
                    "loaned to"},
        QStringList{"дата выдачи", "выдан", "выдач", "issue", "lent", "loan date", "lend date", "borrowed"},
        QStringList{"дата возврата", "вернуть", "срок", "возврат", "due", "return"},
    };
    return words;
}

Field fieldOfHeader(const QString& header) {
    const QString text = folded(header);
    // The debtor first ("lent to" is no date), the title last ("name" is
    // part of other headers).
    for (Field field : {Debtor, Issue, Due, Note, Kind, Title})
        for (const QString& word : headerWords()[field])
            if (text == word || text.startsWith(word) || (word.size() > 3 && text.contains(word)))
                return field;
    return FieldCount;
}

double dateIn(Record& record, const QString& text, Field field) {
    const double day = parseDate(text);
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

Mapping guessMapping(const QStringList& firstRow) {
    Mapping mapping;
    for (int column = 0; column < firstRow.size(); ++column) {
        const Field field = fieldOfHeader(firstRow[column]);
        if (field != FieldCount && mapping.columns[field] < 0) {
            mapping.columns[field] = column;
            mapping.header = true;
        }
    }
    if (!mapping.header && !firstRow.isEmpty())
        mapping.columns[Title] = 0;
    return mapping;
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
    record.issue = dateIn(record, cell(Issue), Issue);
    record.due = dateIn(record, cell(Due), Due);
    check(record);
    return record;
}

} // namespace imports
