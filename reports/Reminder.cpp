#include "reports/Reminder.h"

#include "platform/Plural.h"
#include "platform/Today.h"

#include <QPainter>

namespace reports {

namespace {

QString date(double day) { return platform::formatDate(day); }

} // namespace

QString reminderText(const QString& name, const QList<shape::Loan>& loans, double today) {
    if (loans.isEmpty())
        return QStringLiteral("Здравствуйте, %1! Спасибо, у Вас ничего из моих вещей нет.").arg(name);
    QStringList lines{QStringLiteral("Здравствуйте, %1! Напоминаю, что у Вас:").arg(name)};
    for (const shape::Loan& l : loans) {
        QString line = QStringLiteral("- «%1»").arg(l.title);
        if (!std::isnan(l.issued))
            line += QStringLiteral(", с %1").arg(date(l.issued));
        if (!std::isnan(l.due))
            line += platform::debtStateOf(l.due, today) == platform::DebtState::Overdue
                        ? QStringLiteral(" (срок был %1)").arg(date(l.due))
                        : QStringLiteral(" (вернуть до %1)").arg(date(l.due));
        lines << line;
    }
    lines << QStringLiteral("Верните, пожалуйста, когда будет удобно. Спасибо!");
    return lines.join(u'\n');
}

QString remindedText(const shape::Loan& loan) {
    if (std::isnan(loan.reminded))
        return QString();
    const QString last = date(platform::calendarDay(loan.reminded));
    return loan.reminders <= 1 ? last
                               : QStringLiteral("%1, последний %2")
                                     .arg(platform::countOf(loan.reminders, {"раз", "раза", "раз"}), last);
}

QString letterText(const QString& letterTemplate, const QString& name, const QList<shape::Loan>& loans, double today,
                   const QString& catalogue) {
    QStringList items;
    for (const shape::Loan& l : loans) {
        QString line = QStringLiteral("- «%1» (таблица «%2»)").arg(l.title, l.table);
        if (!std::isnan(l.issued))
            line += QStringLiteral(", выдано %1").arg(date(l.issued));
        if (!std::isnan(l.due))
            line += QStringLiteral(", вернуть до %1").arg(date(l.due));
        if (const int late = platform::daysOverdue(l.due, today); late > 0)
            line += QStringLiteral(", просрочено на %1").arg(platform::countOf(late, {"день", "дня", "дней"}));
        items << line;
    }
    return QString(letterTemplate)
        .replace(QStringLiteral("{имя}"), name)
        .replace(QStringLiteral("{вещи}"), items.join(u'\n'))
        .replace(QStringLiteral("{сегодня}"), date(today))
        .replace(QStringLiteral("{каталог}"), catalogue);
}

void paintLetters(QPagedPaintDevice& device, const QStringList& letters) {
    QPainter painter(&device);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSizeF(12);
    painter.setFont(font);
    const QRect page = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const QRect text(0, 0, page.width(), page.height());
    for (int i = 0; i < letters.size(); ++i) {
        if (i > 0)
            device.newPage();
        painter.drawText(text, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, letters[i]);
    }
}

} // namespace reports
