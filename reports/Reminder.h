#pragma once
// A short, polite reminder for one debtor, to paste into a message. The
// wording is here and nowhere else.
#include "reports/CurrentLoans.h"

#include <QPagedPaintDevice>

namespace reports {

// "Здравствуйте, <name>! Напоминаю, что у Вас ..." with each item and
// since when; loans are the contact's own.
QString reminderText(const QString& name, const QList<shape::Loan>& loans, double today);

// How often and when a loan was reminded of: empty when never, the day
// when once, else "3 раза, последний 01.03.2024".
QString remindedText(const shape::Loan& loan);

// A letter from a template: {имя} the debtor, {вещи} a line per item
// (title, table, issued, due, days overdue), {сегодня} today's date,
// {каталог} the catalogue's name.
QString letterText(const QString& letterTemplate, const QString& name, const QList<shape::Loan>& loans, double today,
                   const QString& catalogue);

// The letters on device, one page each.
void paintLetters(QPagedPaintDevice& device, const QStringList& letters);

} // namespace reports
