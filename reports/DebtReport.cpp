#include "reports/DebtReport.h"

#include "platform/Today.h"

#include <QFont>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

#include <functional>

namespace reports {

namespace {

enum class Kind { DebtorName, DebtorContacts, Titles, Loan, DebtorTotal, Total, Gap };

struct Line {
    Kind kind;
    int loan = -1; // for Loan lines
    QString text;
};

// Shares of the width: mark, title, kind, table, issued, due, days overdue.
constexpr double kColumns[] = {0.03, 0.31, 0.14, 0.14, 0.12, 0.12, 0.14};
constexpr int kColumnCount = 7;

QString day(double d) { return std::isnan(d) ? QString() : platform::formatDayNumber(std::floor(d)); }

int daysOverdue(const CurrentLoan& l, double today) {
    return std::isnan(l.due) ? 0 : std::max(0, int(std::floor(today) - std::floor(l.due)));
}

bool dueToday(const CurrentLoan& l, double today) {
    return !std::isnan(l.due) && std::floor(l.due) == std::floor(today);
}

QString countText(int n) { return QString::number(n); }

QList<Line> linesOf(const QList<CurrentLoan>& loans, double today) {
    QList<Line> lines;
    int overdueAll = 0, debtors = 0;
    for (int i = 0; i < loans.size();) {
        const CurrentLoan& first = loans[i];
        ++debtors;
        lines << Line{Kind::DebtorName, -1, first.debtor.isEmpty() ? QStringLiteral("(контакт удалён)") : first.debtor};
        QStringList contacts;
        if (!first.phone.isEmpty())
            contacts << QStringLiteral("тел. ") + first.phone;
        if (!first.address.isEmpty())
            contacts << first.address;
        if (!contacts.isEmpty())
            lines << Line{Kind::DebtorContacts, -1, contacts.join(QStringLiteral(", "))};
        lines << Line{Kind::Titles};
        int count = 0, overdue = 0;
        for (; i < loans.size() && loans[i].contact == first.contact; ++i, ++count) {
            lines << Line{Kind::Loan, int(i)};
            overdue += daysOverdue(loans[i], today) > 0;
        }
        overdueAll += overdue;
        lines << Line{Kind::DebtorTotal, -1,
                      QStringLiteral("Итого: %1, просрочено: %2").arg(countText(count), countText(overdue))};
        lines << Line{Kind::Gap};
    }
    lines << Line{Kind::Total, -1,
                  QStringLiteral("Всего: %1 у %2 должников, просрочено: %3. Обозначения: ! просрочено, » срок сегодня.")
                      .arg(countText(int(loans.size())), countText(debtors), countText(overdueAll))};
    return lines;
}

} // namespace

int paintDebtReport(QPagedPaintDevice& device, const QString& catalogue, double today,
                    const QList<CurrentLoan>& loans) {
    QPainter painter(&device);
    const QRect page = device.pageLayout().paintRectPixels(device.logicalDpiX());
    QFont plain(QStringLiteral("DejaVu Sans"));
    plain.setPointSizeF(9);
    QFont bold = plain;
    bold.setBold(true);
    QFont heading = bold;
    heading.setPointSizeF(11);
    const auto height = [&](const QFont& f) { return QFontMetrics(f, &device).height(); };
    const int lineHeight = height(plain) * 12 / 10;
    const auto heightOf = [&](Kind k) {
        switch (k) {
        case Kind::DebtorName: return height(heading) * 14 / 10;
        case Kind::Gap: return lineHeight / 2;
        default: return lineHeight;
        }
    };
    const int top = height(heading) * 2, bottom = lineHeight * 2;
    const QList<Line> lines = linesOf(loans, today);
    // First the page breaks, so every page can say how many there are.
    QList<int> pageStarts{0};
    for (int i = 0, y = top; i < lines.size(); ++i) {
        const bool keepWithNext = lines[i].kind == Kind::DebtorName || lines[i].kind == Kind::DebtorContacts;
        const int need = heightOf(lines[i].kind) + (keepWithNext ? 3 * lineHeight : 0);
        if (y + need > page.height() - bottom && i > pageStarts.last()) {
            pageStarts << i;
            y = top;
        }
        y += heightOf(lines[i].kind);
    }
    const int pages = int(pageStarts.size());
    const auto columnRect = [&](int column, int y) {
        double left = 0;
        for (int c = 0; c < column; ++c)
            left += kColumns[c];
        return QRect(int(left * page.width()), y, int(kColumns[column] * page.width()) - 4, lineHeight);
    };
    const QFontMetrics plainMetrics(plain, &device), boldMetrics(bold, &device);
    // Drawn at a point, not into a box: a box lays each text out as a
    // paragraph, which costs more than the rest of a line together.
    const auto cells = [&](int y, const QStringList& texts, const QFont& font) {
        painter.setFont(font);
        const QFontMetrics& metrics = font.bold() ? boldMetrics : plainMetrics;
        const int baseline = y + (lineHeight + metrics.ascent() - metrics.descent()) / 2;
        for (int c = 0; c < kColumnCount; ++c) {
            const QRect r = columnRect(c, y);
            QString text = texts.value(c);
            if (text.isEmpty())
                continue;
            int width = metrics.horizontalAdvance(text);
            if (width > r.width()) {
                text = metrics.elidedText(text, Qt::ElideRight, r.width());
                width = metrics.horizontalAdvance(text);
            }
            painter.drawText(QPoint(c >= 4 ? r.right() - width : r.left(), baseline), text);
        }
    };
    // One line of text in a band of height h at y: left, right or centred.
    const QFontMetrics headingMetrics(heading, &device);
    const auto text = [&](int y, int h, const QString& line, const QFont& font, Qt::Alignment align) {
        painter.setFont(font);
        const QFontMetrics& metrics = &font == &heading ? headingMetrics : font.bold() ? boldMetrics : plainMetrics;
        const int width = metrics.horizontalAdvance(line);
        const int x = align & Qt::AlignRight     ? page.width() - width
                      : align & Qt::AlignHCenter ? (page.width() - width) / 2
                                                 : 0;
        const int baseline =
            align & Qt::AlignBottom ? y + h - metrics.descent() : y + (h + metrics.ascent() - metrics.descent()) / 2;
        painter.drawText(QPoint(x, baseline), line);
    };
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            device.newPage();
        painter.setPen(Qt::black);
        const int headHeight = height(heading) * 3 / 2;
        text(0, headHeight, QStringLiteral("Список долгов: ") + catalogue, heading, Qt::AlignLeft);
        text(0, headHeight, QStringLiteral("на ") + day(today), plain, Qt::AlignRight);
        painter.drawLine(0, headHeight, page.width(), headHeight);
        text(page.height() - lineHeight, lineHeight, QStringLiteral("Страница %1 из %2").arg(p + 1).arg(pages), plain,
             Qt::AlignHCenter);
        const int end = p + 1 < pages ? pageStarts[p + 1] : int(lines.size());
        for (int i = pageStarts[p], y = top; i < end; y += heightOf(lines[i].kind), ++i) {
            const Line& line = lines[i];
            switch (line.kind) {
            case Kind::DebtorName: text(y, heightOf(line.kind), line.text, heading, Qt::AlignBottom); break;
            case Kind::DebtorContacts:
            case Kind::DebtorTotal:
            case Kind::Total:
                text(y, lineHeight, line.text, line.kind == Kind::DebtorContacts ? plain : bold, Qt::AlignLeft);
                break;
            case Kind::Titles:
                cells(y,
                      {QString(), QStringLiteral("Наименование"), QStringLiteral("Вид"), QStringLiteral("Таблица"),
                       QStringLiteral("Выдано"), QStringLiteral("Срок"), QStringLiteral("Просрочка")},
                      bold);
                painter.drawLine(0, y + lineHeight - 1, page.width(), y + lineHeight - 1);
                break;
            case Kind::Loan: {
                const CurrentLoan& l = loans[line.loan];
                const int late = daysOverdue(l, today);
                const bool now = dueToday(l, today);
                if (late > 0 || now) // the grid's colours
                    painter.fillRect(QRect(0, y, page.width(), lineHeight),
                                     late > 0 ? QColor(238, 136, 136) : QColor(238, 238, 119));
                painter.setPen(Qt::black);
                cells(y,
                      {late > 0 ? QStringLiteral("!")
                       : now    ? QStringLiteral("»")
                                : QString(),
                       l.title, l.kind, l.table, day(l.issue), day(l.due),
                       late > 0 ? QString::number(late) : QString()},
                      late > 0 ? bold : plain);
                break;
            }
            case Kind::Gap: break;
            }
        }
    }
    return pages;
}

} // namespace reports
