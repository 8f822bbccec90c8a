#include "bench/Options.h"

namespace bench {
namespace {

bool takeInt(const QStringList& args, int& i, int minimum, int& out, QString& error) {
    const QString name = args[i];
    if (i + 1 >= args.size()) {
        error = name + QStringLiteral(" needs a number");
        return false;
    }
    bool ok = false;
    const QString text = args[++i];
    const qlonglong v = QString(text).remove(u'_').remove(u',').toLongLong(&ok);
    if (!ok || v < minimum || v > 100'000'000) {
        error = QStringLiteral("%1: '%2' is not a whole number from %3 to 100000000").arg(name, text).arg(minimum);
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

} // namespace

QString usage() {
    return QStringLiteral("Usage: zandrel-bench [options]\n"
                          "Times the catalogue's own data path against plain SQLite on one generated file.\n"
                          "\n"
                          "  --items N        rows of the big table Big (default 1000000)\n"
                          "  --tables M       small tables T001.. (default 200)\n"
                          "  --table-items K  rows of each small table (default 5000)\n"
                          "  --contacts C     contacts (default 1000)\n"
                          "  --runs R         timed runs per operation, median reported (default 3, at least 3)\n"
                          "  --file PATH      catalogue file to generate (default: a temporary folder)\n"
                          "  --keep           keep the file afterwards and reuse it if it exists\n"
                          "  --growth         only the growth table (open and search at items/100, items/10, items)\n"
                          "  --no-growth      only the operations table\n"
                          "  --import         only the import of a generated Access catalogue\n"
                          "  --lists          only the import of a generated CSV list of a million rows\n"
                          "  --history        only what the loan history costs (post-history, contacts-window)\n"
                          "  --reports        only the reports (debt-report, export)\n"
                          "  --backup         only the exit's work (compact, backup)\n"
                          "  --desk           only the lending desk's lines (desk-scan, labels)\n"
                          "  --help           this text\n");
}

bool parseOptions(const QStringList& args, Options& o, bool& help, QString& error) {
    help = false;
    bool onlyGrowth = false, noGrowth = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        bool ok = true;
        if (a == QLatin1String("--items"))
            ok = takeInt(args, i, 100, o.items, error);
        else if (a == QLatin1String("--tables"))
            ok = takeInt(args, i, 0, o.tables, error);
        else if (a == QLatin1String("--table-items"))
            ok = takeInt(args, i, 1, o.tableItems, error);
        else if (a == QLatin1String("--contacts"))
            ok = takeInt(args, i, 1, o.contacts, error);
        else if (a == QLatin1String("--runs"))
            ok = takeInt(args, i, 3, o.runs, error);
        else if (a == QLatin1String("--file")) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                error = QStringLiteral("--file needs a path");
                return false;
            }
            o.file = args[++i];
        } else if (a == QLatin1String("--keep"))
            o.keep = true;
        else if (a == QLatin1String("--growth"))
            onlyGrowth = true;
        else if (a == QLatin1String("--no-growth"))
            noGrowth = true;
        else if (a == QLatin1String("--import"))
            o.onlyImport = true;
        else if (a == QLatin1String("--lists"))
            o.onlyLists = true;
        else if (a == QLatin1String("--history"))
            o.onlyHistory = true;
        else if (a == QLatin1String("--reports"))
            o.onlyReports = true;
        else if (a == QLatin1String("--backup"))
            o.onlyBackup = true;
        else if (a == QLatin1String("--desk"))
            o.onlyDesk = true;
        else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            help = true;
            return true;
        } else {
            error = QStringLiteral("unknown option '%1'").arg(a);
            return false;
        }
        if (!ok)
            return false;
    }
    if (onlyGrowth && noGrowth) {
        error = QStringLiteral("--growth and --no-growth exclude each other");
        return false;
    }
    // 999 tables at most: the names have three digits.
    if (o.tables > 999) {
        error = QStringLiteral("--tables: at most 999");
        return false;
    }
    o.mainTable = !onlyGrowth;
    o.growth = !noGrowth;
    return true;
}

} // namespace bench
