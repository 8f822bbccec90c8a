#include "reports/Calendar.h"

#include "platform/Today.h"

#include <QCryptographicHash>

#include <algorithm>

#include <libical/ical.h>

namespace reports {

namespace {

icaltimetype dateOf(double day) {
    const QDate d = platform::dateOfDayNumber(day);
    icaltimetype t = icaltime_null_date();
    t.year = d.year();
    t.month = d.month();
    t.day = d.day();
    return t;
}

// The same loan (table, item, debtor, issue date) always gets the same UID.
QByteArray uidOf(const shape::Loan& l) {
    const QByteArray key = (l.table + u'\n' + QString::number(l.item) + u'\n' + QString::number(l.contact) + u'\n'
                            + QString::number(std::isnan(l.issued) ? 0.0 : l.issued, 'g', 17))
                               .toUtf8();
    return QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(32) + "@zandrel";
}

} // namespace

QString reminderSummary(const shape::Loan& l) {
    return l.debtor.isEmpty() ? QStringLiteral("Вернуть: %1").arg(l.title)
                              : QStringLiteral("Вернуть: %1 — %2").arg(l.title, l.debtor);
}

int calendarEvents(const QList<shape::Loan>& loans) {
    return int(std::count_if(loans.begin(), loans.end(), [](const shape::Loan& l) { return !std::isnan(l.due); }));
}

QByteArray calendarOf(const QList<shape::Loan>& loans) {
    icalcomponent* calendar = icalcomponent_vanew(ICAL_VCALENDAR_COMPONENT, icalproperty_new_version("2.0"),
                                                  icalproperty_new_prodid("-//Zandrel//Zandrel//RU"), nullptr);
    icalcomponent_add_property(calendar, icalproperty_new_calscale("GREGORIAN"));
    const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    for (const shape::Loan& l : loans) {
        if (std::isnan(l.due))
            continue;
        const icaltimetype start = dateOf(l.due);
        icaltimetype end = start;
        icaltime_adjust(&end, 1, 0, 0, 0);
        QString description = QStringLiteral("Таблица: ") + l.table;
        if (!std::isnan(l.issued))
            description += QStringLiteral("\nВыдано: ") + platform::formatDate(l.issued);
        icalcomponent* event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
        icalcomponent_add_property(event, icalproperty_new_uid(uidOf(l).constData()));
        icalcomponent_add_property(event, icalproperty_new_dtstamp(stamp));
        icalcomponent_add_property(event, icalproperty_new_dtstart(start));
        icalcomponent_add_property(event, icalproperty_new_dtend(end));
        icalcomponent_add_property(event, icalproperty_new_summary(reminderSummary(l).toUtf8().constData()));
        icalcomponent_add_property(event, icalproperty_new_description(description.toUtf8().constData()));
        icalcomponent_add_property(event, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
        // At 9:00 on the day: nine hours after the all-day event starts.
        icaltriggertype trigger;
        trigger.time = icaltime_null_time();
        trigger.duration = icaldurationtype_from_int(9 * 3600);
        icalcomponent* alarm = icalcomponent_vanew(
            ICAL_VALARM_COMPONENT, icalproperty_new_action(ICAL_ACTION_DISPLAY), icalproperty_new_trigger(trigger),
            icalproperty_new_description(reminderSummary(l).toUtf8().constData()), nullptr);
        icalcomponent_add_component(event, alarm);
        icalcomponent_add_component(calendar, event);
    }
    char* text = icalcomponent_as_ical_string_r(calendar);
    const QByteArray result(text);
    icalmemory_free_buffer(text);
    icalcomponent_free(calendar);
    return result;
}

} // namespace reports
