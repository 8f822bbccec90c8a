#pragma once
// A short, polite reminder for one debtor, to paste into a message. The
// wording is here and nowhere else.
#include "reports/CurrentLoans.h"

namespace reports {

// "Здравствуйте, <name>! Напоминаю, что у Вас ..." with each item and
// since when; loans are the contact's own.
QString reminderText(const QString& name, const QList<CurrentLoan>& loans, double today);

} // namespace reports
