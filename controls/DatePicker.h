#pragma once
// A date box with a calendar pop-up, read and written as a day number. The
// time of day a value carries is kept: only the date is shown and edited.
#include <QDateEdit>

class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);

    double dayNumber() const;
    // Sets the value from the program: userChanged is not emitted.
    void setDayNumber(double day);

signals:
    // The user picked or typed another date.
    void userChanged();

private:
    double m_timeOfDay = 0; // fraction of a day kept from the last value set
    bool m_settingValue = false;
};
