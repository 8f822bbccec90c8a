#include "reports/CurrentLoans.h"

#include "data/Statements.h"

#include <QCollator>
#include <QHash>

#include <algorithm>

namespace reports {

namespace {

double dayOrNan(const engine::Query& q, int row, int field) {
    return q.isNull(row, field) ? NAN : q.realValue(row, field);
}

} // namespace

QList<shape::Loan> currentLoans(engine::Connection& connection, const QStringList& tables,
                                const shape::ContactDirectory& contacts, qint64 contact) {
    QList<shape::Loan> loans;
    for (const QString& table : tables) {
        // A view shows rows of the tables themselves: they are counted there.
        if (connection.isView(connection.resolveTable(table)))
            continue;
        engine::Query q(&connection, QStringLiteral("loans"));
        QStringList columns;
        for (const char* column : {"id", "title", "type", "issue", "return", "contact"})
            columns << sql::name(QString::fromLatin1(column));
        q.addSql(sql::Select(columns)
                     .from(table)
                     .where(contact ? sql::equals(QStringLiteral("contact"), sql::number(contact))
                                    : sql::isNotNull(QStringLiteral("contact")))
                     .text());
        q.open();
        for (int r = 0; r < q.recordCount(); ++r) {
            shape::Loan l;
            l.table = table;
            l.item = q.integerValue(r, 0);
            l.title = q.textValue(r, 1);
            l.kind = q.textValue(r, 2);
            l.issued = dayOrNan(q, r, 3);
            l.due = dayOrNan(q, r, 4);
            l.contact = q.integerValue(r, 5);
            l.debtor = contacts.nameOf(l.contact);
            l.phone = contacts.phoneOf(l.contact);
            l.address = contacts.addressOf(l.contact);
            loans << l;
        }
    }
    QCollator byName(QLocale(QLocale::Russian));
    byName.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(loans.begin(), loans.end(), [&](const shape::Loan& a, const shape::Loan& b) {
        if (a.contact != b.contact) {
            const int names = byName.compare(a.debtor, b.debtor);
            return names != 0 ? names < 0 : a.contact < b.contact;
        }
        if (std::isnan(a.due) != std::isnan(b.due))
            return std::isnan(b.due);
        if (!std::isnan(a.due) && a.due != b.due)
            return a.due < b.due;
        if (a.table != b.table)
            return a.table < b.table;
        return byName.compare(a.title, b.title) < 0;
    });
    return loans;
}

} // namespace reports
