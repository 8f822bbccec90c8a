#include "imports/ImportDates.h"

#include "platform/Today.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace imports {
namespace {

// Digits from at; how many were read goes to count (at most max).
int readNumber(QStringView text, qsizetype& at, int max, int& count) {
    int value = 0;
    count = 0;
    while (at < text.size() && count < max && text[at].isDigit() && text[at].unicode() < 128) {
        value = value * 10 + (text[at].unicode() - '0');
        ++at;
        ++count;
    }
    return value;
}

// A two-digit year: 00-49 this century, 50-99 the last.
int fullYear(int year, int digits) {
    if (digits == 2)
        return year < 50 ? 2000 + year : 1900 + year;
    return year;
}

double dayOf(int year, int month, int day) {
    const QDate date(year, month, day);
    if (!date.isValid() || year < 1753)
        return NAN;
    return platform::toDayNumber(date);
}

// What may follow a date: nothing, or a time of day ("T10:00", " 0:00:00").
bool onlyTimeFollows(QStringView text, qsizetype at) {
    if (at == text.size())
        return true;
    if (text[at] != u'T' && text[at] != u' ')
        return false;
    for (qsizetype i = at + 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!c.isDigit() && c != u':' && c != u'.' && c != u'Z' && c != u'+' && c != u'-')
            return false;
    }
    return true;
}

// Digits, perhaps with a fraction, three or more before it: a serial
// number (a date's is five digits); "12.03" is a date cut short.
bool isSerialNumber(QStringView text) {
    qsizetype whole = 0;
    while (whole < text.size() && text[whole].isDigit() && text[whole].unicode() < 128)
        ++whole;
    if (whole < 3)
        return false;
    if (whole == text.size())
        return true;
    if (text[whole] != u'.' && text[whole] != u',')
        return false;
    for (qsizetype i = whole + 1; i < text.size(); ++i)
        if (!text[i].isDigit() || text[i].unicode() >= 128)
            return false;
    return true;
}

double parseSerial(QStringView text) {
    bool ok = false;
    const double serial = text.toString().replace(u',', u'.').toDouble(&ok);
    if (!ok || serial < 1 || serial > 2958465) // 31.12.9999
        return NAN;
    return serialToDay(serial);
}

} // namespace

double serialToDay(double serial, bool system1904) {
    const double whole = std::floor(serial);
    if (system1904)
        return whole + 1462;
    if (whole == 60)
        return NAN;
    return whole < 60 ? whole + 1 : whole;
}

double parseDate(QStringView text, bool monthFirst) {
    text = text.trimmed();
    if (text.isEmpty())
        return NAN;
    qsizetype at = 0;
    int digits = 0;
    const int first = readNumber(text, at, 4, digits);
    if (digits == 0)
        return NAN;
    if (isSerialNumber(text))
        return parseSerial(text);
    if (at == text.size())
        return NAN;
    const QChar separator = text[at];
    if (digits == 4 && separator == u'-') { // yyyy-MM-dd
        ++at;
        int n = 0;
        const int month = readNumber(text, at, 2, n);
        if (n == 0 || at == text.size() || text[at] != u'-')
            return NAN;
        ++at;
        const int day = readNumber(text, at, 2, n);
        if (n == 0 || !onlyTimeFollows(text, at))
            return NAN;
        return dayOf(first, month, day);
    }
    if (digits > 2 || (separator != u'.' && separator != u'/' && separator != u'-'))
        return NAN;
    ++at;
    int n = 0;
    const int month = readNumber(text, at, 2, n);
    if (n == 0 || at == text.size() || text[at] != separator)
        return NAN;
    ++at;
    const int year = readNumber(text, at, 4, n);
    if ((n != 2 && n != 4) || !onlyTimeFollows(text, at))
        return NAN;
    if (monthFirst && separator == u'/')
        return dayOf(fullYear(year, n), first, month);
    return dayOf(fullYear(year, n), month, first);
}

bool slashDatesMonthFirst(const QStringList& texts) {
    static const QRegularExpression slashed(QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/\\d{2,4}"));
    bool dayFirstSeen = false, monthFirstSeen = false;
    for (const QString& text : texts) {
        const QRegularExpressionMatch m = slashed.match(text);
        if (!m.hasMatch())
            continue;
        dayFirstSeen = dayFirstSeen || m.captured(1).toInt() > 12;
        monthFirstSeen = monthFirstSeen || m.captured(2).toInt() > 12;
    }
    return monthFirstSeen && !dayFirstSeen;
}

} // namespace imports
