#include "reports/CurrentLoans.h"

#include <QCollator>
#include <QHash>

#include <algorithm>

namespace reports {

namespace {

struct Debtor {
    QString name, phone, address;
};

QHash<qint64, Debtor> debtorsOf(const engine::Query& contacts) {
    QHash<qint64, Debtor> debtors;
    if (!contacts.isOpen())
        return debtors;
    const int id = contacts.fieldIndex(QStringLiteral("id")), name = contacts.fieldIndex(QStringLiteral("name")),
              phone = contacts.fieldIndex(QStringLiteral("phone")),
              address = contacts.fieldIndex(QStringLiteral("address"));
    for (int r = 0; r < contacts.recordCount(); ++r)
        debtors.insert(contacts.integerValue(r, id),
                       {contacts.textValue(r, name), contacts.textValue(r, phone), contacts.textValue(r, address)});
    return debtors;
}

double dayOrNan(const engine::Query& q, int row, int field) {
    return q.isNull(row, field) ? NAN : q.realValue(row, field);
}

} // namespace

QList<CurrentLoan> currentLoans(engine::Connection& connection, const QStringList& tables,
                                const engine::Query& contacts, qint64 contact) {
    const QHash<qint64, Debtor> debtors = debtorsOf(contacts);
    QList<CurrentLoan> loans;
    for (const QString& table : tables) {
        // A view shows rows of the tables themselves: they are counted there.
        if (connection.isView(connection.resolveTable(table)))
            continue;
        engine::Query q(&connection, QStringLiteral("loans"));
        q.addSql(QStringLiteral("SELECT id, title, type, issue, return, contact FROM ") + table
                 + (contact ? QStringLiteral(" WHERE contact=%1").arg(contact)
                            : QStringLiteral(" WHERE contact IS NOT NULL")));
        q.open();
        for (int r = 0; r < q.recordCount(); ++r) {
            CurrentLoan l;
            l.table = table;
            l.item = q.integerValue(r, 0);
            l.title = q.textValue(r, 1);
            l.kind = q.textValue(r, 2);
            l.issue = dayOrNan(q, r, 3);
            l.due = dayOrNan(q, r, 4);
            l.contact = q.integerValue(r, 5);
            const Debtor d = debtors.value(l.contact);
            l.debtor = d.name;
            l.phone = d.phone;
            l.address = d.address;
            loans << l;
        }
    }
    QCollator byName(QLocale(QLocale::Russian));
    byName.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(loans.begin(), loans.end(), [&](const CurrentLoan& a, const CurrentLoan& b) {
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
