#include "imports/Records.h"

#include "data/CatalogueShape.h"

namespace imports {
namespace {

using shape::kKindLength;
using shape::kNameLength;
using shape::kNoteLength;
using shape::kTitleLength;

// Characters as the catalogue counts them: a letter beyond the basic plane
// is one, not two.
qsizetype lengthOf(const QString& text) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!text[i].isLowSurrogate())
            ++n;
    return n;
}

QString tooLong(const QString& what, const QString& text, int most) {
    return QStringLiteral("%1 длиннее %2 знаков (%3)").arg(what).arg(most).arg(lengthOf(text));
}

} // namespace

void check(Record& record) {
    if (!record.problem.isEmpty())
        return;
    if (record.title.isEmpty())
        record.problem = QStringLiteral("нет наименования");
    else if (lengthOf(record.title) > kTitleLength)
        record.problem = tooLong(QStringLiteral("наименование"), record.title, kTitleLength);
    else if (lengthOf(record.kind) > kKindLength)
        record.problem = tooLong(QStringLiteral("вид"), record.kind, kKindLength);
    else if (lengthOf(record.note) > kNoteLength)
        record.problem = tooLong(QStringLiteral("примечание"), record.note, kNoteLength);
    else if (lengthOf(record.debtor) > kNameLength)
        record.problem = tooLong(QStringLiteral("имя должника"), record.debtor, kNameLength);
    else if (record.debtor.isEmpty() && !(std::isnan(record.issue) && std::isnan(record.due)))
        record.problem = QStringLiteral("даты выдачи без должника");
    else
        for (const PastLoan& past : record.past)
            if (lengthOf(past.debtor) > kNameLength) {
                record.problem = tooLong(QStringLiteral("имя в истории выдач"), past.debtor, kNameLength);
                break;
            }
}

} // namespace imports
