// zandrel-jet-import SOURCE TARGET: reads the catalogue kept in the Access
// file SOURCE and writes it as a new catalogue file TARGET, which must not
// exist. The program runs this in a process of its own and reads its
// standard output, a line at a time:
//   tables N ROWS        what is coming: N tables, ROWS rows in all
//   table I ROWS NAME    table I (from 1), of ROWS rows, is being copied
//   rows K               K rows copied so far
//   peak BYTES           the importer's peak resident memory
//   done                 TARGET is complete
//   error KIND DETAIL    and an exit code: 3 unreadable (or damaged),
//                        4 not a catalogue, 6 TARGET not written
// Tables and rows are taken as they are: ids, counters, texts (Null kept
// apart from empty), dates with their time of day. A file of the old layout
// stays in it; the program converts it afterwards as any old file.
#include "data/Layouts.h"
#include "engine/Connection.h"
#include "engine/DatabaseFiles.h"
#include "engine/EngineError.h"
#include "engine/RowInsert.h"
#include "jet/JetReader.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>

namespace {

enum Exit { kDone = 0, kUsage = 2, kUnreadable = 3, kNotCatalogue = 4, kNotWritten = 6 };

void say(const QString& line) {
    std::fputs((line + u'\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

[[noreturn]] void fail(Exit code, const char* kind, const QString& detail) {
    say(QStringLiteral("error %1 %2").arg(QLatin1String(kind), detail));
    std::exit(code);
}

const QStringList kContactColumns{"id", "name", "phone", "address", "birthday", "reliability"};
const QStringList kItemColumns{"id", "title", "type", "issue", "return", "contact", "description"};

struct Plan {
    jet::TableInfo source;
    QString target;       // the table's name in the new file
    QStringList columns;  // copied, in the order of the statement
    QList<int> positions; // of each in the source's columns
    QString statement;    // its Create Table
};

// The layout's column list with the source's wider or longer texts kept
// whole: a memo becomes text of any length, a wider text keeps its width.
QString widened(QString layout, const Plan& plan) {
    for (int i = 0; i < plan.columns.size(); ++i) {
        const jet::ColumnInfo& c = plan.source.columns[plan.positions[i]];
        if (c.kind != jet::ColumnKind::Text)
            continue;
        const QRegularExpression declared(QStringLiteral("\\b%1 VARCHAR\\((\\d+)\\)").arg(plan.columns[i]));
        const QRegularExpressionMatch m = declared.match(layout);
        if (!m.hasMatch())
            continue;
        if (c.memo)
            layout.replace(m.capturedStart(), m.capturedLength(), plan.columns[i] + QStringLiteral(" LONGTEXT"));
        else if (c.characters > m.captured(1).toInt())
            layout.replace(m.capturedStart(1), m.capturedLength(1), QString::number(c.characters));
    }
    return layout;
}

// Whether the table has the columns, each of the kind the layout wants.
bool fits(Plan& plan, const QStringList& columns) {
    for (const QString& name : columns) {
        int found = -1;
        for (int i = 0; i < plan.source.columns.size(); ++i)
            if (plan.source.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
                found = i;
        if (found < 0)
            return false;
        const jet::ColumnKind kind = plan.source.columns[found].kind;
        const jet::ColumnKind wanted =
            name == u"issue" || name == u"return" || name == u"birthday"    ? jet::ColumnKind::Date
            : name == u"id" || name == u"contact" || name == u"reliability" ? jet::ColumnKind::Integer
                                                                            : jet::ColumnKind::Text;
        if (kind != wanted)
            return false;
        plan.columns << name;
        plan.positions << found;
    }
    return true;
}

// A table name the program's statements can carry: letters, digits and "_".
QString usableName(const QString& name) {
    QString result = name;
    for (QChar& c : result)
        if (!c.isLetterOrNumber() && c != u'_')
            c = u'_';
    return result.isEmpty() ? QStringLiteral("_") : result;
}

QList<Plan> planCatalogue(const QList<jet::TableInfo>& tables) {
    int contacts = -1;
    bool oldLayout = false;
    for (int i = 0; i < tables.size(); ++i)
        if (tables[i].name.compare(layouts::kContactsTable, Qt::CaseInsensitive) == 0)
            contacts = i;
    if (contacts < 0)
        for (int i = 0; i < tables.size(); ++i)
            if (tables[i].name.compare(QLatin1String("contacts"), Qt::CaseInsensitive) == 0) {
                contacts = i;
                oldLayout = true;
            }
    if (contacts < 0)
        fail(kNotCatalogue, "notcatalogue", QStringLiteral("_contacts"));
    const QString itemColumns = oldLayout
                                    ? QString(layouts::kItemColumns).remove(QStringLiteral(", description VARCHAR(50)"))
                                    : layouts::kItemColumns;
    QList<Plan> plans;
    for (int i = 0; i < tables.size(); ++i) {
        Plan plan{tables[i], {}, {}, {}, {}};
        const bool isContacts = i == contacts;
        QStringList wanted = isContacts ? kContactColumns : kItemColumns;
        if (oldLayout && !isContacts)
            wanted.removeLast(); // no description yet
        if (!fits(plan, wanted))
            fail(kNotCatalogue, "notcatalogue", tables[i].name);
        plan.target = isContacts ? (oldLayout ? QStringLiteral("contacts") : layouts::kContactsTable)
                                 : usableName(tables[i].name);
        plan.statement = QStringLiteral("Create Table ") + plan.target + u'\n'
                         + widened(isContacts ? layouts::kContactColumns : itemColumns, plan);
        plans << plan;
    }
    return plans;
}

void copy(jet::Reader& reader, engine::Connection& target, const QList<Plan>& plans) {
    qint64 total = 0, copied = 0;
    for (const Plan& p : plans)
        total += p.source.declaredRows;
    say(QStringLiteral("tables %1 %2").arg(plans.size()).arg(total));
    for (int t = 0; t < plans.size(); ++t) {
        const Plan& plan = plans[t];
        say(QStringLiteral("table %1 %2 %3").arg(t + 1).arg(plan.source.declaredRows).arg(plan.target));
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
                say(QStringLiteral("rows %1").arg(copied + rows));
            return true;
        });
        insert.finish();
        if (!read || rows != plan.source.declaredRows)
            fail(kUnreadable, "damaged", plan.source.name);
        copied += rows;
        say(QStringLiteral("rows %1").arg(copied));
        // Ids given once are never given again: the counter goes on from
        // the last one Access gave, also when those rows are gone.
        const qint64 counter = std::max(largestId, plan.source.lastCounter);
        if (counter > 0) {
            const QString name =
                QStringLiteral("'") + QString(plan.target).replace(u'\'', QStringLiteral("''")) + u'\'';
            target.execute(QStringLiteral("DELETE FROM sqlite_sequence WHERE name=") + name);
            target.execute(
                QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (%1, %2)").arg(name).arg(counter));
        }
    }
}

// VmHWM of this process, in bytes; -1 when unknown.
qint64 peakMemory() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
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
        fail(kUnreadable, "unreadable", args[1]);
    reader.chooseCodePage();
    const QList<Plan> plans = planCatalogue(reader.tables());
    try {
        engine::createDatabase(args[2]);
        engine::Connection target;
        target.setConnectionString(QStringLiteral("Data Source=") + args[2]);
        target.open();
        target.inOneTransaction([&] { copy(reader, target, plans); });
        target.close();
    } catch (const engine::EngineError& e) {
        fail(kNotWritten, "write", e.message());
    }
    say(QStringLiteral("peak %1").arg(peakMemory()));
    say(QStringLiteral("done"));
    return kDone;
}
