#pragma once
// The reminders' settings, kept in the program's settings file (section
// [Reminders], written only by the reminders window): whether catalogues are
// checked while the program is closed, at what time, which catalogues, and
// the letter to debtors; and the catalogues opened before, to choose from
// (in the user's state folder).
#include <QString>
#include <QStringList>
#include <QTime>

#include <array>

namespace reminders {

// A letter's kind, by the reminders its loans have had before it: none,
// one, two or more. Each has its own template.
constexpr int kLetterKinds = 3;
int letterKindAfter(int reminders);
QString letterTitle(int kind); // «Напоминание», «Повторное напоминание», «Последнее напоминание»

struct ReminderSettings {
    bool on = false;
    QTime time{9, 0};
    QStringList catalogues;                    // absolute paths; none: the last one opened
    QStringList known;                         // catalogues opened before, the latest first (not written)
    std::array<QString, kLetterKinds> letters; // the templates by kind; empty: the default wording
    int before = 1;                            // days before the due date a loan is told of (0-14; 0: not before)
    int every = 7;                             // days between the tellings after it (1-60)
};

ReminderSettings readSettings();
bool writeSettings(const ReminderSettings& settings);
// The catalogue just opened goes to the front of those opened before.
void rememberCatalogue(const QString& path);

// The catalogues a check looks at when none is named: those chosen, else
// the last one opened (DefaultBase).
QStringList cataloguesToCheck();

// The default letter of a kind: placeholders {имя}, {вещи}, {сегодня}, {каталог}.
QString defaultLetter(int kind = 0);
// The letter of a kind the settings give.
QString letterOf(const ReminderSettings& settings, int kind);

} // namespace reminders
