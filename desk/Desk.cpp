#include "desk/Desk.h"

#include "data/CatalogueShape.h"
#include "data/DBMUnit.h"
#include "data/Layouts.h"
#include "data/Statements.h"
#include "engine/EngineError.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Today.h"

#include <cmath>

namespace desk {

namespace {

const QString kSection = QStringLiteral("Desk");

// The item's row, read to be changed through the data module's observers.
class ItemRow {
public:
    ItemRow(TDM& dm, const codes::Holder& item) : m_query(dm.ADOConnection, QStringLiteral("deskItem")) {
        m_query.setFieldDefs(layouts::itemFields(dm.aqContacts));
        m_query.addSql(sql::Select({QStringLiteral("*")})
                           .from(item.table)
                           .where(sql::equals(shape::column::kId, sql::number(item.id)))
                           .text());
        dm.ObserveItemWrites(&m_query);
        m_query.open();
        m_found = m_query.recordCount() == 1;
    }
    bool found() const { return m_found; }
    engine::Field field(const QString& name) { return m_query.fieldByName(name); }
    QVariant value(const QString& name) { return field(name).isNull() ? QVariant() : field(name).value(); }
    // The loan as given (null values: none), one change with its event.
    void setLoan(const QVariant& debtor, const QVariant& issue, const QVariant& due) {
        m_query.edit();
        setOrClear(field(shape::column::kContact), debtor);
        setOrClear(field(shape::column::kIssue), issue);
        setOrClear(field(shape::column::kDue), due);
        m_query.post(shape::Edited);
    }

private:
    static void setOrClear(engine::Field field, const QVariant& value) {
        if (!value.isValid() || value.isNull())
            field.clear();
        else if (field.name() == shape::column::kContact)
            field.setAsInteger(value.toLongLong());
        else
            field.setAsFloat(value.toDouble());
    }
    engine::Query m_query;
    bool m_found = false;
};

Action actionOn(ItemRow& row, const codes::Holder& item, Action::Kind kind) {
    Action a;
    a.kind = kind;
    a.at = QTime::currentTime();
    a.item = item;
    a.title = row.field(shape::column::kTitle).asString();
    a.debtorBefore = row.value(shape::column::kContact);
    a.issueBefore = row.value(shape::column::kIssue);
    a.dueBefore = row.value(shape::column::kDue);
    return a;
}

} // namespace

Settings readSettings() {
    Settings s;
    bool ok = false;
    const int days =
        platform::readProfileString(platform::settingsFile(), kSection, QStringLiteral("LoanDays"), QString())
            .toInt(&ok);
    if (ok && days >= 0 && days <= 3650)
        s.loanDays = days;
    s.strip = platform::readProfileString(platform::settingsFile(), kSection, QStringLiteral("Strip"), QString());
    return s;
}

bool writeSettings(const Settings& settings) {
    return platform::writeProfileString(platform::settingsFile(), kSection, QStringLiteral("LoanDays"),
                                        QString::number(settings.loanDays))
           && platform::writeProfileString(platform::settingsFile(), kSection, QStringLiteral("Strip"), settings.strip);
}

QString stripped(const QString& typed, const QString& strip) {
    qsizetype first = 0, end = typed.size();
    const auto dropped = [&](QChar c) { return c.isSpace() || strip.contains(c); };
    while (first < end && dropped(typed[first]))
        ++first;
    while (end > first && dropped(typed[end - 1]))
        --end;
    return typed.mid(first, end - first);
}

Scanned scan(TDM& dm, const QString& typed, const Settings& settings) {
    Scanned s;
    s.code = codes::normalized(stripped(typed, settings.strip), &s.refusal);
    if (s.code.isEmpty()) {
        s.kind = Scanned::Kind::Refused;
        return s;
    }
    const std::optional<codes::Holder> holder = codes::holderOf(*dm.ADOConnection, s.code);
    if (!holder)
        return s; // Unknown
    s.holder = *holder;
    if (holder->table == shape::kContactsTable) {
        s.kind = dm.Contacts->rowOf(holder->id) < 0 ? Scanned::Kind::Unknown : Scanned::Kind::Contact;
        s.debtor = holder->id;
        s.name = dm.Contacts->nameOf(holder->id);
        return s;
    }
    ItemRow row(dm, *holder);
    if (!row.found())
        return s;
    s.title = row.field(shape::column::kTitle).asString();
    s.itemKind = row.field(shape::column::kKind).asString();
    const QVariant debtor = row.value(shape::column::kContact);
    s.kind = debtor.isValid() ? Scanned::Kind::Lent : Scanned::Kind::OnHand;
    if (debtor.isValid()) {
        s.debtor = debtor.toLongLong();
        s.name = dm.Contacts->nameOf(s.debtor);
    }
    return s;
}

Action lend(TDM& dm, const codes::Holder& item, qint64 contact, double today, int loanDays) {
    ItemRow row(dm, item);
    if (!row.found())
        throw engine::EngineError(QStringLiteral("Запись не найдена."));
    Action a = actionOn(row, item, Action::Kind::Lent);
    a.person = dm.Contacts->nameOf(contact);
    a.due = std::floor(today) + loanDays;
    row.setLoan(contact, std::floor(today), a.due);
    return a;
}

Action giveBack(TDM& dm, const codes::Holder& item, double today) {
    ItemRow row(dm, item);
    if (!row.found())
        throw engine::EngineError(QStringLiteral("Запись не найдена."));
    Action a = actionOn(row, item, Action::Kind::Returned);
    if (a.debtorBefore.isValid())
        a.person = dm.Contacts->nameOf(a.debtorBefore.toLongLong());
    if (a.dueBefore.isValid())
        a.daysLate = platform::daysOverdue(a.dueBefore.toDouble(), today);
    row.setLoan({}, {}, {});
    return a;
}

void undo(TDM& dm, const Action& action) {
    ItemRow row(dm, action.item);
    if (!row.found())
        throw engine::EngineError(QStringLiteral("Запись не найдена."));
    row.setLoan(action.debtorBefore, action.issueBefore, action.dueBefore);
}

QStringList itemsHeldBy(TDM& dm, qint64 contact) {
    engine::Connection& c = *dm.ADOConnection;
    QStringList held;
    for (const QString& table : c.tableNames()) {
        if (shape::isProgramTable(table) || c.isView(c.resolveTable(table)))
            continue;
        engine::Query q(&c, QStringLiteral("held"));
        q.addSql(sql::Select({sql::name(shape::column::kTitle)})
                     .from(table)
                     .where(sql::equals(shape::column::kContact, sql::number(contact)))
                     .orderBy(shape::column::kTitle)
                     .text());
        q.open();
        for (int r = 0; r < q.recordCount(); ++r)
            held << QStringLiteral("%1 (%2)").arg(q.textValue(r, 0), table);
    }
    return held;
}

} // namespace desk
