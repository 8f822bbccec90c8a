#include "reports/DebtReport.h"

#include "platform/Plural.h"
#include "platform/Today.h"
#include "reports/Reminder.h"

#include <QFont>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

namespace reports {

namespace {

enum class Kind { DebtorName, DebtorContacts, Titles, Loan, DebtorTotal, Total, Gap };

// Shares of the width: mark, title, kind, table, issued, due, days overdue,
// reminders. Dates and days are right-aligned; the rest wraps.
constexpr double kColumns[] = {0.03, 0.23, 0.11, 0.11, 0.10, 0.10, 0.11, 0.21};
constexpr int kColumnCount = 8;
constexpr int kFirstRightAligned = 4, kLastRightAligned = 6;
bool rightAligned(int column) { return column >= kFirstRightAligned && column <= kLastRightAligned; }

struct Line {
    Kind kind;
    QString text;
    // A loan's cells, each wrapped into lines that fit its column.
    QList<QStringList> cells;
    bool bold = false;
    QColor shade;
    int height = 0;
};

// Splits text into lines no wider than width, at spaces where it can and
// inside a word that is wider than the column by itself: nothing is cut.
QStringList wrapped(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return {text};
    QStringList lines;
    QString line;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString joined = line.isEmpty() ? word : line + u' ' + word;
        if (metrics.horizontalAdvance(joined) <= width) {
            line = joined;
            continue;
        }
        if (!line.isEmpty())
            lines << line;
        line = word;
        while (line.size() > 1 && metrics.horizontalAdvance(line) > width) {
            int fits = 1;
            while (fits < line.size() && metrics.horizontalAdvance(line.left(fits + 1)) <= width)
                ++fits;
            lines << line.left(fits);
            line = line.mid(fits);
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QString totalText(int loans, int debtors, int overdue) {
    return QStringLiteral("Всего: %1 у %2, просрочено: %3. Обозначения: ! просрочено, » срок сегодня.")
        .arg(platform::countOf(loans, {"вещь", "вещи", "вещей"}),
             platform::countOf(debtors, {"должника", "должников", "должников"}))
        .arg(overdue);
}

// The list laid out on one device: fonts, columns, lines and page breaks.
class Layout {
public:
    Layout(QPagedPaintDevice& device, double today)
        : m_today(today), m_page(device.pageLayout().paintRectPixels(device.logicalDpiX())),
          m_plain(QStringLiteral("DejaVu Sans")), m_plainMetrics(m_plain, &device), m_boldMetrics(m_plain, &device),
          m_headingMetrics(m_plain, &device) {
        m_plain.setPointSizeF(9);
        m_bold = m_plain;
        m_bold.setBold(true);
        m_heading = m_bold;
        m_heading.setPointSizeF(11);
        m_plainMetrics = QFontMetrics(m_plain, &device);
        m_boldMetrics = QFontMetrics(m_bold, &device);
        m_headingMetrics = QFontMetrics(m_heading, &device);
        m_lineHeight = m_plainMetrics.height() * 12 / 10;
        m_top = m_headingMetrics.height() * 2;
        m_bottom = m_lineHeight * 2;
    }

    void build(const QList<shape::Loan>& loans);
    void paginate();
    int pages() const { return int(m_pageStarts.size()); }
    void paintPage(QPainter& painter, int page, const QString& catalogue);

private:
    void add(Kind kind, const QString& text = QString());
    void addLoan(const shape::Loan& loan);
    QRect columnRect(int column, int y) const;
    const QFontMetrics& metricsOf(const QFont& font) const;
    void paintText(QPainter& painter, int y, int h, const QString& line, const QFont& font, Qt::Alignment align);
    void paintCells(QPainter& painter, int y, const Line& line);

    double m_today;
    QRect m_page;
    QFont m_plain, m_bold, m_heading;
    QFontMetrics m_plainMetrics, m_boldMetrics, m_headingMetrics;
    int m_lineHeight, m_top, m_bottom;
    QList<Line> m_lines;
    QList<int> m_pageStarts{0};
};

QRect Layout::columnRect(int column, int y) const {
    double left = 0;
    for (int c = 0; c < column; ++c)
        left += kColumns[c];
    return QRect(int(left * m_page.width()), y, int(kColumns[column] * m_page.width()) - 4, m_lineHeight);
}

const QFontMetrics& Layout::metricsOf(const QFont& font) const {
    return &font == &m_heading ? m_headingMetrics : font.bold() ? m_boldMetrics : m_plainMetrics;
}

void Layout::add(Kind kind, const QString& text) {
    Line line{kind, text, {}, false, QColor(), m_lineHeight};
    if (kind == Kind::DebtorName)
        line.height = m_headingMetrics.height() * 14 / 10;
    else if (kind == Kind::Gap)
        line.height = m_lineHeight / 2;
    else if (kind == Kind::Titles)
        line.cells = {{},
                      {QStringLiteral("Наименование")},
                      {QStringLiteral("Вид")},
                      {QStringLiteral("Таблица")},
                      {QStringLiteral("Выдано")},
                      {QStringLiteral("Срок")},
                      {QStringLiteral("Просрочка")},
                      {QStringLiteral("Напомнено")}};
    line.bold = kind == Kind::Titles;
    m_lines << line;
}

void Layout::addLoan(const shape::Loan& l) {
    const platform::DebtState state = platform::debtStateOf(l.due, m_today);
    const int late = platform::daysOverdue(l.due, m_today);
    Line line{Kind::Loan, QString(), {}, false, QColor(), 0};
    line.bold = state == platform::DebtState::Overdue;
    // The grid's colours, and a mark that greyscale paper keeps.
    if (state == platform::DebtState::Overdue)
        line.shade = QColor(238, 136, 136);
    else if (state == platform::DebtState::DueToday)
        line.shade = QColor(238, 238, 119);
    const QString mark = state == platform::DebtState::Overdue    ? QStringLiteral("!")
                         : state == platform::DebtState::DueToday ? QStringLiteral("»")
                                                                  : QString();
    const QStringList texts{mark,
                            l.title,
                            l.kind,
                            l.table,
                            platform::formatDate(l.issued),
                            platform::formatDate(l.due),
                            late > 0 ? QString::number(late) : QString(),
                            remindedText(l)};
    const QFontMetrics& metrics = line.bold ? m_boldMetrics : m_plainMetrics;
    qsizetype rows = 1;
    for (int c = 0; c < kColumnCount; ++c) {
        line.cells << (rightAligned(c) ? QStringList{texts[c]} : wrapped(texts[c], metrics, columnRect(c, 0).width()));
        rows = std::max(rows, line.cells.last().size());
    }
    line.height = m_lineHeight * int(rows);
    m_lines << line;
}

void Layout::build(const QList<shape::Loan>& loans) {
    int overdueAll = 0, debtors = 0;
    for (int i = 0; i < loans.size();) {
        const shape::Loan& first = loans[i];
        ++debtors;
        add(Kind::DebtorName, first.debtor.isEmpty() ? QStringLiteral("(контакт удалён)") : first.debtor);
        QStringList contacts;
        if (!first.phone.isEmpty())
            contacts << QStringLiteral("тел. ") + first.phone;
        if (!first.address.isEmpty())
            contacts << first.address;
        if (!contacts.isEmpty())
            add(Kind::DebtorContacts, contacts.join(QStringLiteral(", ")));
        add(Kind::Titles);
        int count = 0, overdue = 0;
        for (; i < loans.size() && loans[i].contact == first.contact; ++i, ++count) {
            addLoan(loans[i]);
            overdue += platform::debtStateOf(loans[i].due, m_today) == platform::DebtState::Overdue;
        }
        overdueAll += overdue;
        add(Kind::DebtorTotal, QStringLiteral("Итого: %1, просрочено: %2").arg(count).arg(overdue));
        add(Kind::Gap);
    }
    add(Kind::Total, totalText(int(loans.size()), debtors, overdueAll));
}

void Layout::paginate() {
    // First the page breaks, so every page can say how many there are. A
    // debtor's name keeps its first lines with it.
    for (int i = 0, y = m_top; i < m_lines.size(); ++i) {
        const Kind kind = m_lines[i].kind;
        const bool keepWithNext = kind == Kind::DebtorName || kind == Kind::DebtorContacts;
        const int need = m_lines[i].height + (keepWithNext ? 3 * m_lineHeight : 0);
        if (y + need > m_page.height() - m_bottom && i > m_pageStarts.last()) {
            m_pageStarts << i;
            y = m_top;
        }
        y += m_lines[i].height;
    }
}

// One line of text in a band of height h at y: left, right or centred.
void Layout::paintText(QPainter& painter, int y, int h, const QString& line, const QFont& font, Qt::Alignment align) {
    painter.setFont(font);
    const QFontMetrics& metrics = metricsOf(font);
    const int width = metrics.horizontalAdvance(line);
    const int x = align & Qt::AlignRight     ? m_page.width() - width
                  : align & Qt::AlignHCenter ? (m_page.width() - width) / 2
                                             : 0;
    const int baseline =
        align & Qt::AlignBottom ? y + h - metrics.descent() : y + (h + metrics.ascent() - metrics.descent()) / 2;
    painter.drawText(QPoint(x, baseline), line);
}

// Drawn at a point, not into a box: a box lays each text out as a
// paragraph, which costs more than the rest of a line together.
void Layout::paintCells(QPainter& painter, int y, const Line& line) {
    const QFont& font = line.bold ? m_bold : m_plain;
    painter.setFont(font);
    const QFontMetrics& metrics = metricsOf(font);
    const int baseline = y + (m_lineHeight + metrics.ascent() - metrics.descent()) / 2;
    for (int c = 0; c < kColumnCount; ++c) {
        const QRect r = columnRect(c, y);
        for (int row = 0; row < line.cells[c].size(); ++row) {
            const QString& text = line.cells[c][row];
            if (text.isEmpty())
                continue;
            const int x = rightAligned(c) ? r.right() - metrics.horizontalAdvance(text) : r.left();
            painter.drawText(QPoint(x, baseline + row * m_lineHeight), text);
        }
    }
}

void Layout::paintPage(QPainter& painter, int page, const QString& catalogue) {
    painter.setPen(Qt::black);
    const int headHeight = m_headingMetrics.height() * 3 / 2;
    paintText(painter, 0, headHeight, QStringLiteral("Список долгов: ") + catalogue, m_heading, Qt::AlignLeft);
    paintText(painter, 0, headHeight, QStringLiteral("на ") + platform::formatDate(m_today), m_plain, Qt::AlignRight);
    painter.drawLine(0, headHeight, m_page.width(), headHeight);
    paintText(painter, m_page.height() - m_lineHeight, m_lineHeight,
              QStringLiteral("Страница %1 из %2").arg(page + 1).arg(pages()), m_plain, Qt::AlignHCenter);
    const int end = page + 1 < pages() ? m_pageStarts[page + 1] : int(m_lines.size());
    for (int i = m_pageStarts[page], y = m_top; i < end; y += m_lines[i].height, ++i) {
        const Line& line = m_lines[i];
        switch (line.kind) {
        case Kind::DebtorName: paintText(painter, y, line.height, line.text, m_heading, Qt::AlignBottom); break;
        case Kind::DebtorContacts: paintText(painter, y, m_lineHeight, line.text, m_plain, Qt::AlignLeft); break;
        case Kind::DebtorTotal:
        case Kind::Total: paintText(painter, y, m_lineHeight, line.text, m_bold, Qt::AlignLeft); break;
        case Kind::Titles:
            paintCells(painter, y, line);
            painter.drawLine(0, y + m_lineHeight - 1, m_page.width(), y + m_lineHeight - 1);
            break;
        case Kind::Loan:
            if (line.shade.isValid())
                painter.fillRect(QRect(0, y, m_page.width(), line.height), line.shade);
            painter.setPen(Qt::black);
            paintCells(painter, y, line);
            break;
        case Kind::Gap: break;
        }
    }
}

} // namespace

int paintDebtReport(QPagedPaintDevice& device, const QString& catalogue, double today,
                    const QList<shape::Loan>& loans) {
    Layout layout(device, today);
    layout.build(loans);
    layout.paginate();
    QPainter painter(&device);
    for (int p = 0; p < layout.pages(); ++p) {
        if (p > 0)
            device.newPage();
        layout.paintPage(painter, p, catalogue);
    }
    return layout.pages();
}

} // namespace reports
