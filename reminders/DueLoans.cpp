#include "reminders/DueLoans.h"

#include "data/CatalogueShape.h"
#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/Query.h"
#include "platform/Today.h"

#include <QHash>

#include <algorithm>

namespace reminders {

namespace {

namespace column = shape::column;

QHash<qint64, QString> contactNames(engine::Connection& c) {
    engine::Query q(&c, QStringLiteral("names"));
    q.addSql(sql::Select({sql::name(column::kId), sql::name(column::kName)}).from(shape::kContactsTable).text());
    q.open();
    QHash<qint64, QString> names;
    for (int r = 0; r < q.recordCount(); ++r)
        names.insert(q.integerValue(r, 0), q.textValue(r, 1));
    return names;
}

// An item table holds the loan columns; views show rows counted in their tables.
bool holdsLoans(engine::Connection& c, const QString& table) {
    if (shape::isProgramTable(table) || c.isView(c.resolveTable(table)))
        return false;
    const QStringList columns = c.columnsOf(table);
    return columns.contains(column::kTitle) && columns.contains(column::kDue) && columns.contains(column::kContact);
}

} // namespace

bool remindsOn(double due, double today, const Cadence& cadence) {
    switch (platform::debtStateOf(due, today)) {
    case platform::DebtState::Overdue:
        return cadence.every > 0 && platform::daysOverdue(due, today) % cadence.every == 0;
    case platform::DebtState::DueToday: return true;
    case platform::DebtState::NoDueDate: return false;
    default: // due after today: told on the day that many days before (by the grid's rule for tomorrow)
        return cadence.before > 0 && due > today + cadence.before - 1 && due <= today + cadence.before;
    }
}

DueLoans dueLoansOf(const QString& file, double today, const Cadence& cadence) {
    engine::Connection c;
    c.setHiddenTables(shape::hiddenTables());
    c.setConnectionString(QStringLiteral("Data Source=") + file);
    c.open(engine::OpenMode::ReadOnly);
    if (!c.hasTable(shape::kContactsTable))
        throw engine::EngineError(QStringLiteral("Файл '%1' не является каталогом").arg(file));
    const QHash<qint64, QString> names = contactNames(c);
    DueLoans due;
    due.today = today;
    due.before = cadence.before;
    for (const QString& table : c.tableNames()) {
        if (!holdsLoans(c, table))
            continue;
        engine::Query q(&c, QStringLiteral("due"));
        q.addSql(sql::Select({sql::name(column::kTitle), sql::name(column::kDue), sql::name(column::kContact)})
                     .from(table)
                     .where(sql::name(column::kDue) + QStringLiteral("<=")
                            + platform::dayNumberText(today + std::max(cadence.before, 0)))
                     .text());
        q.open();
        for (int r = 0; r < q.recordCount(); ++r) {
            const shape::Loan l{.table = table,
                                .title = q.textValue(r, 0),
                                .contact = q.integerValue(r, 2),
                                .debtor = names.value(q.integerValue(r, 2)),
                                .due = q.realValue(r, 1)};
            if (!remindsOn(l.due, today, cadence))
                continue;
            // The states the grid colours and the debt search lists, by the one rule.
            const platform::DebtState state = l.stateOn(today);
            ++(state == platform::DebtState::Overdue    ? due.overdue
               : state == platform::DebtState::DueToday ? due.dueToday
                                                        : due.dueSoon);
            due.loans << l;
        }
    }
    std::stable_sort(due.loans.begin(), due.loans.end(),
                     [](const shape::Loan& a, const shape::Loan& b) { return a.due < b.due; });
    return due;
}

Notice noticeOf(const QString& catalogue, const DueLoans& due) {
    Notice n;
    n.summary = QStringLiteral("Zandrel: сроки возврата в каталоге «%1»").arg(catalogue);
    n.critical = due.overdue > 0;
    // «завтра» as the grid says it, or how many days ahead the cadence looks.
    const QString soon = due.before <= 1 ? QStringLiteral("завтра") : QStringLiteral("через %1 дн.").arg(due.before);
    QStringList lines{QStringLiteral("Просрочено: %1, вернуть сегодня: %2, %3: %4")
                          .arg(due.overdue)
                          .arg(due.dueToday)
                          .arg(soon)
                          .arg(due.dueSoon)};
    const int shown = std::min(int(due.loans.size()), 5);
    for (int i = 0; i < shown; ++i) {
        const shape::Loan& l = due.loans[i];
        const platform::DebtState state = l.stateOn(due.today);
        QString line = l.title;
        if (!l.debtor.isEmpty())
            line += QStringLiteral(" — ") + l.debtor;
        line += state == platform::DebtState::Overdue ? QStringLiteral(", просрочено %1 дн.").arg(l.daysLate(due.today))
                : state == platform::DebtState::DueToday ? QStringLiteral(", вернуть сегодня")
                                                         : QStringLiteral(", вернуть ") + soon;
        lines << line;
    }
    if (due.loans.size() > shown)
        lines << QStringLiteral("и ещё %1").arg(due.loans.size() - shown);
    n.body = lines.join(u'\n');
    return n;
}

} // namespace reminders
