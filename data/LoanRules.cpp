#include "data/LoanRules.h"

#include "data/CatalogueShape.h"
#include "data/Statements.h"
#include "engine/Query.h"
#include "platform/Plural.h"

namespace loanrules {

namespace {

const QString kTable = QStringLiteral("tbl");
const QString kGroup = QStringLiteral("grp");
const QString kDays = QStringLiteral("days");
const QString kMost = QStringLiteral("most");
const QString kScope = QStringLiteral("scope");
const QString kProlongations = QStringLiteral("prolongations");
const QString kBreach = QStringLiteral("breach");
const QStringList kColumns{kTable, kGroup, kDays, kMost, kScope, kProlongations, kBreach};

std::optional<int> optionalOf(const QVariant& value) {
    return value.isValid() && !value.isNull() ? std::optional<int>(value.toInt()) : std::nullopt;
}

QString literalOf(std::optional<int> value) { return value ? sql::number(qint64(*value)) : sql::null(); }

// The rules that apply, most specific first.
QList<const Rule*> applying(const QList<Rule>& rules, const QString& table, Group group) {
    QList<const Rule*> found;
    const QList<std::pair<QString, Group>> order{
        {table, group}, {table, Every}, {QString(), group}, {QString(), Every}};
    for (const auto& [t, g] : order)
        for (const Rule& rule : rules)
            if (rule.table == t && rule.group == g)
                found << &rule; // (twice when table or group is every one: harmless)
    return found;
}

} // namespace

Group groupOf(const QVariant& reliability) {
    if (!reliability.isValid() || reliability.isNull())
        return General;
    return reliability.toInt() == 1 ? BlackList : Trusted;
}

QString groupName(Group group) {
    switch (group) {
    case General: return QStringLiteral("Общая");
    case Trusted: return QStringLiteral("Доверенные");
    case BlackList: return QStringLiteral("Черный список");
    case Every: break;
    }
    return QStringLiteral("Все группы");
}

QList<Group> groups() { return {Every, General, Trusted, BlackList}; }

QString tableName(const QString& table) { return table.isEmpty() ? QStringLiteral("Все таблицы") : table; }

Resolved resolve(const QList<Rule>& rules, const QString& table, Group group) {
    Resolved r;
    bool mostTaken = false;
    for (const Rule* rule : applying(rules, table, group)) {
        if (!r.days)
            r.days = rule->days;
        if (!mostTaken && rule->most) {
            r.most = rule->most;
            r.scope = rule->scope;
            mostTaken = true;
        }
        if (!r.prolongations)
            r.prolongations = rule->prolongations;
        if (!r.breach)
            r.breach = rule->breach;
    }
    return r;
}

std::optional<int> periodFor(engine::Connection& connection, const QString& table, const QVariant& reliability) {
    if (!kept(connection))
        return std::nullopt;
    return resolve(read(connection), table, groupOf(reliability)).days;
}

QString describe(const QString& table, Group group, const Resolved& r) {
    static const platform::NounForms days{"день", "дня", "дней"}, things{"вещи", "вещей", "вещей"},
        times{"раза", "раз", "раз"};
    QStringList parts;
    if (r.days)
        parts << platform::countOf(*r.days, days);
    if (r.most)
        parts << QStringLiteral("до %1%2").arg(platform::countOf(*r.most, things),
                                               r.scope == Scope::ThisTable ? QStringLiteral(" из этой таблицы")
                                                                           : QString());
    if (r.prolongations)
        parts << (*r.prolongations ? QStringLiteral("продлевать до %1").arg(platform::countOf(*r.prolongations, times))
                                   : QStringLiteral("не продлевать"));
    if (r.breach)
        parts << (*r.breach == Breach::Refuse ? QStringLiteral("при нарушении не выдавать")
                                              : QStringLiteral("при нарушении предупредить"));
    return QStringLiteral("%1, %2: %3")
        .arg(tableName(table), groupName(group),
             parts.isEmpty() ? QStringLiteral("правил нет") : parts.join(QStringLiteral(", ")));
}

bool kept(engine::Connection& connection) { return connection.hasTable(shape::kRulesTable); }

QList<Rule> read(engine::Connection& connection) {
    QList<Rule> rules;
    if (!kept(connection))
        return rules;
    QStringList names;
    for (const QString& column : kColumns)
        names << sql::name(column);
    engine::Query q(&connection, QStringLiteral("rules"));
    q.addSql(sql::Select(names).from(shape::kRulesTable).text());
    q.open();
    for (int r = 0; r < q.recordCount(); ++r) {
        Rule rule;
        rule.table = q.textValue(r, 0);
        const int group = q.value(r, 1).toInt();
        rule.group = group >= General && group <= BlackList ? Group(group) : Every;
        rule.days = optionalOf(q.value(r, 2));
        rule.most = optionalOf(q.value(r, 3));
        rule.scope = q.value(r, 4).toInt() == 1 ? Scope::ThisTable : Scope::AllTables;
        rule.prolongations = optionalOf(q.value(r, 5));
        if (const auto breach = optionalOf(q.value(r, 6)))
            rule.breach = *breach == 1 ? Breach::Refuse : Breach::Warn;
        rules << rule;
    }
    return rules;
}

void write(engine::Connection& connection, const QList<Rule>& rules) {
    QList<Rule> kept;
    for (const Rule& rule : rules)
        if (!rule.empty())
            kept << rule;
    if (kept.isEmpty() && !loanrules::kept(connection))
        return; // an older catalogue stays as it was
    const auto replace = [&] {
        if (!loanrules::kept(connection))
            connection.execute(QStringLiteral("CREATE TABLE %1 (%2 TEXT NOT NULL, %3 INTEGER NOT NULL, %4 INTEGER, "
                                              "%5 INTEGER, %6 INTEGER NOT NULL DEFAULT 0, %7 INTEGER, %8 INTEGER, "
                                              "PRIMARY KEY (%2, %3))")
                                   .arg(sql::name(shape::kRulesTable), sql::name(kTable), sql::name(kGroup),
                                        sql::name(kDays), sql::name(kMost), sql::name(kScope),
                                        sql::name(kProlongations), sql::name(kBreach)));
        connection.execute(QStringLiteral("DELETE FROM %1").arg(sql::name(shape::kRulesTable)));
        for (const Rule& rule : kept)
            connection.execute(sql::insertValues(
                shape::kRulesTable, kColumns,
                {sql::text(rule.table), sql::number(qint64(rule.group)), literalOf(rule.days), literalOf(rule.most),
                 sql::number(qint64(rule.scope == Scope::ThisTable)), literalOf(rule.prolongations),
                 rule.breach ? sql::number(qint64(*rule.breach == Breach::Refuse)) : sql::null()}));
    };
    // Within a change's own transaction it is part of that change.
    if (connection.inTransaction())
        replace();
    else
        connection.inOneTransaction(replace);
}

void tableRenamed(engine::Connection& connection, const QString& from, const QString& to) {
    if (kept(connection))
        connection.execute(
            sql::update(shape::kRulesTable, {{kTable, sql::text(to)}}, sql::equals(kTable, sql::text(from))));
}

void tableRemoved(engine::Connection& connection, const QString& table) {
    if (kept(connection))
        connection.execute(sql::deleteRows(shape::kRulesTable, sql::equals(kTable, sql::text(table))));
}

} // namespace loanrules
