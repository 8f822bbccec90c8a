#pragma once
// Counts followed by a noun, in Russian: "1 вещь", "2 вещи", "5 вещей",
// "21 должника"; the forms are chosen by ICU's plural rules for Russian.
#include <QString>
#include <QStringList>

namespace platform {

// The noun's forms for one (1, 21), few (2-4, 22) and many (5-20, 25).
struct NounForms {
    const char* one;
    const char* few;
    const char* many;
};

// n and its noun, "5 вещей".
QString countOf(qint64 n, const NounForms& noun);
// The noun alone in the form n wants.
QString nounFor(qint64 n, const NounForms& noun);

// A question names three and counts the rest, so it stays readable:
// "А, Б, В и ещё 2".
QString firstFewAndMore(const QStringList& items);

} // namespace platform
