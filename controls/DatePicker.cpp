#include "controls/DatePicker.h"

#include "platform/Today.h"

#include <cmath>

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    setDateRange(QDate(1900, 1, 1), QDate(9999, 12, 31));
    setDisplayFormat(QStringLiteral("dd.MM.yyyy")); // as the grid shows dates
    connect(this, &QDateEdit::dateChanged, this, [this] {
        if (!m_settingValue)
            emit userChanged();
    });
}

double DatePicker::dayNumber() const { return platform::toDayNumber(date()) + m_timeOfDay; }

void DatePicker::setDayNumber(double day) {
    m_settingValue = true;
    setDate(platform::dateOfDayNumber(std::floor(day))); // the time of day is kept apart
    m_settingValue = false;
    m_timeOfDay = day - std::floor(day);
}
