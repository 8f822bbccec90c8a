#include "reports/Reminder.h"

#include "platform/Today.h"

namespace reports {

namespace {

QString date(double day) { return platform::formatDate(day); }

} // namespace

QString reminderText(const QString& name, const QList<CurrentLoan>& loans, double today) {
    if (loans.isEmpty())
        return QStringLiteral("Здравствуйте, %1! Спасибо, у Вас ничего из моих вещей нет.").arg(name);
    QStringList lines{QStringLiteral("Здравствуйте, %1! Напоминаю, что у Вас:").arg(name)};
    for (const CurrentLoan& l : loans) {
        QString line = QStringLiteral("- «%1»").arg(l.title);
        if (!std::isnan(l.issue))
            line += QStringLiteral(", с %1").arg(date(l.issue));
        if (!std::isnan(l.due))
            line += platform::debtStateOf(l.due, today) == platform::DebtState::Overdue
                        ? QStringLiteral(" (срок был %1)").arg(date(l.due))
                        : QStringLiteral(" (вернуть до %1)").arg(date(l.due));
        lines << line;
    }
    lines << QStringLiteral("Верните, пожалуйста, когда будет удобно. Спасибо!");
    return lines.join(u'\n');
}

} // namespace reports
