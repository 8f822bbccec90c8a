#include "platform/NameForms.h"

#include <QStringList>

namespace platform {

namespace {

struct Ending {
    const char16_t* nominative;
    int cut; // letters replaced
    const char16_t* genitive;
};

// No ending here ends another, so their order does not matter.
const Ending kEndings[] = {
    {u"ская", 2, u"ой"}, {u"цкая", 2, u"ой"}, {u"ский", 2, u"ого"}, {u"цкий", 2, u"ого"}, {u"ова", 1, u"ой"},
    {u"ева", 1, u"ой"},  {u"ёва", 1, u"ой"},  {u"ина", 1, u"ой"},   {u"ына", 1, u"ой"},   {u"ов", 0, u"а"},
    {u"ев", 0, u"а"},    {u"ёв", 0, u"а"},    {u"ин", 0, u"а"},     {u"ын", 0, u"а"},
};

QString genitiveOfSurname(const QString& surname) {
    const QString lower = surname.toLower();
    for (const Ending& e : kEndings) {
        const QString nominative = QString::fromUtf16(e.nominative);
        // A surname is more than its ending: «Ин» stays as it is.
        if (lower.size() > nominative.size() && lower.endsWith(nominative)) {
            QString genitive = QString::fromUtf16(e.genitive);
            if (surname.back().isUpper())
                genitive = genitive.toUpper();
            return surname.left(surname.size() - e.cut) + genitive;
        }
    }
    return surname;
}

} // namespace

QString genitiveShortName(const QString& name) {
    const QStringList words = name.simplified().split(u' ', Qt::SkipEmptyParts);
    // One word may be a given name («Марина»), which these endings would spoil.
    const QString surname = words.size() > 1 ? genitiveOfSurname(words.first()) : QString();
    if (surname.isEmpty() || surname == words.first())
        return name;
    QStringList result{surname};
    for (qsizetype i = 1; i < words.size(); ++i)
        result << (words[i].front().isLetter() ? words[i].front() + QStringLiteral(".") : words[i]);
    return result.join(u' ');
}

} // namespace platform
