#pragma once
// The reminders' settings, kept in the program's settings file (section
// [Reminders], written only by the reminders window): whether catalogues are
// checked while the program is closed, at what time, which catalogues, and
// the letter to debtors; and the catalogues opened before, to choose from
// (in the user's state folder).
#include <QString>
#include <QStringList>
#include <QTime>

namespace reminders {

struct ReminderSettings {
    bool on = false;
    QTime time{9, 0};
    QStringList catalogues; // absolute paths; none: the last one opened
    QStringList known;      // catalogues opened before, the latest first (not written)
    QString letter;         // the template; empty: the default wording
    int before = 1;         // days before the due date a loan is told of (0-14; 0: not before)
    int every = 7;          // days between the tellings after it (1-60)
};

ReminderSettings readSettings();
bool writeSettings(const ReminderSettings& settings);
// The catalogue just opened goes to the front of those opened before.
void rememberCatalogue(const QString& path);

// The catalogues a check looks at when none is named: those chosen, else
// the last one opened (DefaultBase).
QStringList cataloguesToCheck();

// The default letter: placeholders {имя}, {вещи}, {сегодня}, {каталог}.
QString defaultLetter();

} // namespace reminders
