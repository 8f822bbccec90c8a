// zandrel-jet-import SOURCE TARGET: reads the catalogue kept in the Access
// file SOURCE and writes it into TARGET as a catalogue file, telling the
// program that runs it how far it got (jet/ImportProtocol.h). TARGET is an
// empty file the program made, or must not exist.
// Tables and rows are taken as they are: ids, counters, texts (Null kept
// apart from empty), dates with their time of day. Table names are made
// acceptable to the table manager. A file of the old layout stays in it;
// the program converts it afterwards as any old file.
#include "data/CatalogueShape.h"
#include "data/Statements.h"
#include "data/TableNaming.h"
#include "engine/Connection.h"
#include "engine/DatabaseFiles.h"
#include "engine/EngineError.h"
#include "engine/RowInsert.h"
#include "jet/ImportProtocol.h"
#include "jet/JetReader.h"
#include "platform/Files.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

using namespace importprotocol;

void say(const QByteArray& line) {
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

[[noreturn]] void fail(Exit code, Failure failure, const QString& name = {}, const QString& detail = {}) {
    say(error(failure, name, detail));
    std::exit(code);
}

const QStringList kContactColumns = shape::contactColumns();
const QStringList kItemColumns = shape::itemColumns();

struct Plan {
    jet::TableInfo source;
    QString target;       // the table's name in the new file
    QStringList columns;  // copied, in the order of the statement
    QList<int> positions; // of each in the source's columns
    QString statement;    // its Create Table
    bool contacts = false;
};

// The layout's column list with the source's wider or longer texts kept
// whole: a memo becomes text of any length, a wider text keeps its width.
QList<sql::Column> widened(QList<sql::Column> layout, const Plan& plan) {
    for (int i = 0; i < plan.columns.size(); ++i) {
        const jet::ColumnInfo& c = plan.source.columns[plan.positions[i]];
        if (c.kind != jet::ColumnKind::Text)
            continue;
        for (sql::Column& declared : layout) {
            if (declared.name != plan.columns[i] || declared.length == 0)
                continue;
            if (c.memo)
                declared = {declared.name, QStringLiteral("LONGTEXT")};
            else
                declared.length = std::max(declared.length, c.characters);
        }
    }
    return layout;
}

// Takes the table's columns in the layout's order; the first one it lacks,
// or holds as another kind, ends the import with that column named.
void takeColumns(Plan& plan, const QStringList& columns) {
    for (const QString& name : columns) {
        int found = -1;
        for (int i = 0; i < plan.source.columns.size(); ++i)
            if (plan.source.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
                found = i;
        if (found < 0)
            fail(kNotCatalogue, Failure::NoColumn, plan.source.name, name);
        const jet::ColumnKind kind = plan.source.columns[found].kind;
        const jet::ColumnKind wanted =
            name == u"issue" || name == u"return" || name == u"birthday"    ? jet::ColumnKind::Date
            : name == u"id" || name == u"contact" || name == u"reliability" ? jet::ColumnKind::Integer
                                                                            : jet::ColumnKind::Text;
        if (kind != wanted)
            fail(kNotCatalogue, Failure::WrongKind, plan.source.name, name);
        plan.columns << name;
        plan.positions << found;
    }
}

// Whether a table could be an item table at all: most of the layout's
// columns are there. A table of some other use is named as such rather
// than by the first column it lacks.
bool looksLikeItems(const jet::TableInfo& table, const QStringList& columns) {
    int shared = 0;
    for (const jet::ColumnInfo& c : table.columns)
        shared += columns.contains(c.name, Qt::CaseInsensitive);
    return shared * 2 > columns.size();
}

QList<Plan> planCatalogue(const QList<jet::TableInfo>& tables) {
    int contacts = -1;
    bool oldLayout = false;
    for (int i = 0; i < tables.size(); ++i)
        if (tables[i].name.compare(shape::kContactsTable, Qt::CaseInsensitive) == 0)
            contacts = i;
    if (contacts < 0)
        for (int i = 0; i < tables.size(); ++i)
            if (tables[i].name.compare(shape::kOldContactsTable, Qt::CaseInsensitive) == 0) {
                contacts = i;
                oldLayout = true;
            }
    if (contacts < 0)
        fail(kNotCatalogue, Failure::NoContacts);
    QList<sql::Column> itemColumns = shape::itemTable();
    if (oldLayout)
        itemColumns.removeLast(); // no description yet
    QList<Plan> plans;
    QStringList taken = shape::programTables() << shape::kOldContactsTable;
    for (int i = 0; i < tables.size(); ++i) {
        Plan plan{tables[i], {}, {}, {}, {}};
        const bool isContacts = i == contacts;
        QStringList wanted = isContacts ? kContactColumns : kItemColumns;
        if (oldLayout && !isContacts)
            wanted.removeLast(); // no description yet
        if (!isContacts && !looksLikeItems(tables[i], wanted))
            fail(kNotCatalogue, Failure::ForeignTable, tables[i].name);
        takeColumns(plan, wanted);
        plan.contacts = isContacts;
        plan.target = isContacts ? (oldLayout ? shape::kOldContactsTable : shape::kContactsTable)
                                 : tablenaming::acceptableName(tables[i].name, taken);
        taken << plan.target;
        plan.statement = QStringLiteral("Create Table ") + plan.target + u'\n'
                         + shape::designText(widened(isContacts ? shape::contactTable() : itemColumns, plan));
        plans << plan;
    }
    return plans;
}

void copy(jet::Reader& reader, engine::Connection& target, const QList<Plan>& plans) {
    qint64 total = 0, copied = 0;
    for (const Plan& p : plans)
        total += p.source.declaredRows;
    say(tables(int(plans.size()), total));
    for (const Plan& plan : plans)
        if (plan.target != plan.source.name && !plan.contacts)
            say(renamed(plan.target, plan.source.name));
    for (int t = 0; t < plans.size(); ++t) {
        const Plan& plan = plans[t];
        say(table(t + 1, plan.source.declaredRows, plan.target));
        target.execute(plan.statement);
        engine::RowInsert insert(target, plan.target, plan.columns);
        qint64 rows = 0, largestId = 0;
        const bool read = reader.readRows(plan.source.name, [&](const QList<QVariant>& values) {
            for (int c = 0; c < plan.positions.size(); ++c) {
                const QVariant& v = values[plan.positions[c]];
                if (!v.isValid())
                    insert.setNull(c);
                else if (v.typeId() == QMetaType::QString)
                    insert.setText(c, v.toString());
                else if (v.typeId() == QMetaType::Double)
                    insert.setReal(c, v.toDouble());
                else
                    insert.setInteger(c, v.toLongLong());
            }
            insert.insert();
            largestId = std::max(largestId, values[plan.positions[0]].toLongLong());
            if (++rows % 2000 == 0)
                say(importprotocol::rows(copied + rows));
            return true;
        });
        insert.finish();
        if (!read || rows != plan.source.declaredRows)
            fail(kUnreadable, Failure::Damaged, plan.source.name);
        copied += rows;
        say(importprotocol::rows(copied));
        // Ids given once are never given again: the counter goes on from
        // the last one Access gave, also when those rows are gone.
        const qint64 counter = std::max(largestId, plan.source.lastCounter);
        if (counter > 0) {
            const QString sequences = QStringLiteral("sqlite_sequence"); // SQLite's own counters
            target.execute(sql::deleteRows(sequences, sql::equals(QStringLiteral("name"), sql::text(plan.target))));
            target.execute(sql::insertValues(sequences, {QStringLiteral("name"), QStringLiteral("seq")},
                                             {sql::text(plan.target), sql::number(counter)}));
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fputs("zandrel-jet-import SOURCE TARGET\n", stderr);
        return kUsage;
    }
    jet::Reader reader;
    if (!reader.open(args[1]))
        fail(kUnreadable, Failure::Unreadable, args[1]);
    reader.chooseCodePage();
    const QList<Plan> plans = planCatalogue(reader.tables());
    try {
        // The program made TARGET empty and holds it; the catalogue goes into it.
        const QFileInfo given(args[2]);
        if (given.exists() && given.size() == 0)
            engine::initializeDatabase(args[2]);
        else
            engine::createDatabase(args[2]);
        engine::Connection target;
        target.setConnectionString(QStringLiteral("Data Source=") + args[2]);
        target.open();
        target.inOneTransaction([&] { copy(reader, target, plans); });
        target.close();
    } catch (const engine::EngineError& e) {
        fail(kNotWritten, Failure::NotWritten, {}, e.message());
    }
    say(peak(platform::peakMemoryBytes()));
    say(done());
    return kDone;
}
