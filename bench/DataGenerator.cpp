#include "bench/DataGenerator.h"
#include "data/CatalogueShape.h"

#include "data/DBMUnit.h"
#include "data/Layouts.h"
#include "engine/Connection.h"
#include "engine/DatabaseFiles.h"
#include "history/LoanHistory.h"
#include "platform/Today.h"

#include <QDate>
#include <QFile>
#include <sqlite3.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace bench {
namespace {

constexpr uint64_t kSeed = 0x5A414E4442454E43ull;
// Events in the loan history: loans that ended, two events each.
constexpr int kHistoryRows = 100'000;

// splitmix64: tiny, fast and the same on every platform, unlike the
// standard library's distributions.
class Rng {
public:
    explicit Rng(uint64_t seed) : m_state(seed) {}
    uint64_t next() {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int between(int lo, int hi) { return lo + static_cast<int>(next() % uint64_t(hi - lo + 1)); }
    bool chance(int percent) { return static_cast<int>(next() % 100) < percent; }
    bool oneIn(int n) { return next() % uint64_t(n) == 0; }

private:
    uint64_t m_state;
};

struct Word {
    std::string utf8;
    int chars;
};

Word makeWord(const QString& text) { return {text.toStdString(), static_cast<int>(text.size())}; }

// Words built from syllables, in lower case, capitalised and upper case.
// Latin words never contain "ring" by accident, so the search hits exactly
// the words below; Cyrillic letters never fold to Latin ones, so ASCII-only
// and full case folding find the same rows.
struct Vocabulary {
    std::vector<Word> latin, cyrillic, ringWords, kinds;
    Vocabulary() {
        const QStringList lat =
            QStringLiteral("ka lo mi tes bar do ne vu pol sa ter gu fi ze mon ra li ve stu chen wa xo qui jo hy")
                .split(u' ');
        const QStringList cyr =
            QStringLiteral("ка ло ми тес бар до не ву пол са тер гу фи зе мон ра ли ве сту чен ша щу жо хы ёл эй юн я")
                .split(u' ');
        Rng rng(kSeed ^ 0x766F6361ull);
        auto build = [&](const QStringList& syllables, std::vector<Word>& out) {
            while (out.size() < 1500) {
                QString w;
                const int n = rng.between(1, 4);
                for (int k = 0; k < n; ++k)
                    w += syllables[rng.between(0, int(syllables.size()) - 1)];
                if (w.contains(QLatin1String("ring"), Qt::CaseInsensitive))
                    continue;
                const int form = rng.between(0, 9);
                if (form < 3)
                    w[0] = w[0].toUpper();
                else if (form == 3)
                    w = w.toUpper();
                out.push_back(makeWord(w));
            }
        };
        build(lat, latin);
        build(cyr, cyrillic);
        for (const char* w : {"ring", "Ring", "RING", "String", "spring", "Bringer", "ringtone", "WIRING", "Rings",
                              "eaRING", "offspring"})
            ringWords.push_back(makeWord(QString::fromLatin1(w)));
        for (const QString& k : QStringLiteral("Книга|Журнал|Диск|Игра|Инструмент|Пластинка|Фильм|Комикс|Atlas|"
                                               "Board game|Vinyl LP|Карта|Настольная|Учебник|Tools|Кассета")
                                    .split(u'|'))
            kinds.push_back(makeWord(k));
    }
};

const Vocabulary& vocabulary() {
    static const Vocabulary v;
    return v;
}

// Cuts UTF-8 text after n characters.
void cutUtf8(std::string& s, int n) {
    int count = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80)
            continue;
        if (count == n) {
            s.resize(i);
            return;
        }
        ++count;
    }
}

// Words separated by spaces, cut to a length from minChars to maxChars; a
// few percent of titles get a "ring" word.
std::string makeText(Rng& rng, int minChars, int maxChars, int ringPercent) {
    const Vocabulary& v = vocabulary();
    const int target = rng.between(minChars + 1, maxChars);
    const int ringAt = rng.chance(ringPercent) ? rng.between(0, 2) : -1;
    std::string s;
    int chars = 0;
    for (int w = 0; chars < target; ++w) {
        const std::vector<Word>& pool = w == ringAt ? v.ringWords : (rng.chance(50) ? v.latin : v.cyrillic);
        const Word& word = pool[rng.next() % pool.size()];
        if (!s.empty()) {
            s += ' ';
            ++chars;
        }
        s += word.utf8;
        chars += word.chars;
    }
    cutUtf8(s, target);
    // Never end on a space: drop it (still at least minChars characters).
    if (s.back() == ' ')
        s.pop_back();
    return s;
}

class Sqlite {
public:
    explicit Sqlite(const QString& path) {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            fail("open");
    }
    ~Sqlite() {
        sqlite3_finalize(stmt);
        sqlite3_close_v2(db);
    }
    [[noreturn]] void fail(const char* what) const {
        throw std::runtime_error(std::string("generating: ") + what + ": " + sqlite3_errmsg(db));
    }
    void exec(const std::string& sql) {
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(sql.c_str());
    }
    void prepare(const std::string& sql) {
        sqlite3_finalize(stmt);
        stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            fail(sql.c_str());
    }
    void text(int i, const std::string& s) { sqlite3_bind_text(stmt, i, s.data(), int(s.size()), SQLITE_TRANSIENT); }
    void step() {
        if (sqlite3_step(stmt) != SQLITE_DONE)
            fail("insert");
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
    int64_t count(const QString& table) {
        sqlite3_stmt* s = nullptr;
        const std::string sql = "SELECT count(*) FROM \"" + table.toStdString() + "\"";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
            return -1; // no such table
        const int64_t n = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : -1;
        sqlite3_finalize(s);
        return n;
    }
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
};

void fillItems(Sqlite& db, const QString& table, int rows, int contacts, double today, uint64_t seed) {
    Rng rng(seed);
    const Vocabulary& v = vocabulary();
    db.prepare("INSERT INTO \"" + table.toStdString()
               + "\"(id,title,type,issue,\"return\",contact,description) VALUES(?,?,?,?,?,?,?)");
    for (int id = 1; id <= rows; ++id) {
        sqlite3_bind_int64(db.stmt, 1, id);
        db.text(2, makeText(rng, 10, 40, 4));
        db.text(3, v.kinds[rng.next() % v.kinds.size()].utf8);
        if (rng.between(0, 2) == 0) { // lent out
            const double back = today + rng.between(-60, 60);
            sqlite3_bind_double(db.stmt, 4, back - rng.between(1, 90));
            sqlite3_bind_double(db.stmt, 5, back);
            sqlite3_bind_int64(db.stmt, 6, rng.between(1, contacts));
        }
        if (rng.chance(50))
            db.text(7, makeText(rng, 10, 50, 0));
        db.step();
    }
}

void fillContacts(Sqlite& db, int rows, double today) {
    Rng rng(kSeed ^ 0x636F6E74ull);
    const QStringList first =
        QStringLiteral("Анна Борис Вера Глеб Дарья Егор Жанна Илья Ксения Лев Мария Олег Anna Peter Lucy Tom")
            .split(u' ');
    const QStringList last =
        QStringLiteral("Иванов Петров Смирнова Кузнецов Попова Соколов Лебедева Новиков Smith Brown Miller")
            .split(u' ');
    const QStringList streets =
        QStringLiteral("ул. Ленина|пр. Мира|ул. Садовая|Baker Street|ул. Лесная|наб. Реки").split(u'|');
    db.prepare("INSERT INTO _contacts(id,name,phone,address,birthday,reliability) VALUES(?,?,?,?,?,?)");
    for (int id = 1; id <= rows; ++id) {
        sqlite3_bind_int64(db.stmt, 1, id);
        db.text(2, (first[rng.between(0, int(first.size()) - 1)] + u' ' + last[rng.between(0, int(last.size()) - 1)])
                       .toStdString());
        db.text(3, QStringLiteral("+7 9%1 %2-%3-%4")
                       .arg(rng.between(10, 99))
                       .arg(rng.between(100, 999))
                       .arg(rng.between(10, 99))
                       .arg(rng.between(10, 99))
                       .toStdString());
        db.text(4, QStringLiteral("%1, д. %2, кв. %3")
                       .arg(streets[rng.between(0, int(streets.size()) - 1)])
                       .arg(rng.between(1, 120))
                       .arg(rng.between(1, 300))
                       .toStdString());
        sqlite3_bind_double(db.stmt, 5, today - rng.between(18 * 365, 80 * 365));
        sqlite3_bind_int64(db.stmt, 6, rng.between(0, 10));
        db.step();
    }
}

// Loans that came back (a fifth of them late) or were written off, over
// every table and contact: two events each.
void fillHistory(Sqlite& db, const Catalogue& c, int contacts, double today) {
    Rng rng(kSeed + 7);
    const QStringList tables = c.itemTables();
    db.prepare("INSERT INTO _loans(at,event,tablename,item,title,contact,contactname,issue,duebefore,dueafter) "
               "VALUES(?,?,?,?,?,?,?,?,?,?)");
    for (int loan = 0; loan < kHistoryRows / 2; ++loan) {
        const std::string table = tables[rng.between(0, int(tables.size()) - 1)].toStdString();
        const int64_t item = rng.between(1, 5000), contact = rng.between(1, contacts);
        const double issued = today - rng.between(30, 3000), due = issued + rng.between(7, 30);
        const int end = rng.between(0, 9);
        const double ended = end < 2 ? due + rng.between(1, 40) : due - rng.between(0, 6);
        for (int e = 0; e < 2; ++e) {
            sqlite3_bind_double(db.stmt, 1, e ? ended : issued);
            sqlite3_bind_int64(db.stmt, 2, e ? (end == 9 ? 4 : 3) : 1);
            db.text(3, table);
            sqlite3_bind_int64(db.stmt, 4, item);
            db.text(5, "книга");
            sqlite3_bind_int64(db.stmt, 6, contact);
            db.text(7, "Контакт");
            sqlite3_bind_double(db.stmt, 8, issued);
            if (e)
                sqlite3_bind_double(db.stmt, 9, due);
            else
                sqlite3_bind_null(db.stmt, 9);
            if (e)
                sqlite3_bind_null(db.stmt, 10);
            else
                sqlite3_bind_double(db.stmt, 10, due);
            db.step();
        }
    }
}

struct TableSize {
    QString name;
    int rows;
    uint64_t seed;
};

std::vector<TableSize> itemTableSizes(const Options& o, const Catalogue& c) {
    // Each table has its own seed, so T001 is the same whatever Big's size.
    std::vector<TableSize> sizes{{c.big, o.items, kSeed}};
    for (int t = 0; t < c.smallTables.size(); ++t)
        sizes.push_back({c.smallTables[t], o.tableItems, kSeed + 1000 + uint64_t(t)});
    if (!c.growthSmall.isEmpty())
        sizes.push_back({c.growthSmall, o.growthSmall(), kSeed + 1}); // equal seeds would give Big's first rows
    if (!c.growthMedium.isEmpty())
        sizes.push_back({c.growthMedium, o.growthMedium(), kSeed + 2});
    return sizes;
}

} // namespace

Catalogue describeCatalogue(const Options& o, const QString& path) {
    Catalogue c;
    c.path = path;
    for (int t = 1; t <= o.tables; ++t)
        c.smallTables.append(QStringLiteral("T%1").arg(t, 3, 10, QLatin1Char('0')));
    if (o.growthSmall() > 0)
        c.growthSmall = QStringLiteral("G%1").arg(o.growthSmall());
    if (o.growthMedium() > 0 && o.growthMedium() != o.growthSmall())
        c.growthMedium = QStringLiteral("G%1").arg(o.growthMedium());
    return c;
}

int64_t generateCatalogue(const Options& o, const Catalogue& c) {
    const std::vector<TableSize> sizes = itemTableSizes(o, c);
    engine::createDatabase(c.path);
    {
        // The tables go through the catalogue's dialect, which adds the
        // length checks and key rules the program relies on.
        engine::Connection connection;
        connection.setConnectionString(ConnectionStringFor(c.path));
        connection.open();
        for (const TableSize& t : sizes)
            connection.execute(QStringLiteral("Create Table ") + t.name + u'\n' + layouts::kItemColumns);
        connection.execute(QStringLiteral("Create Table ") + shape::kContactsTable + u'\n' + layouts::kContactColumns);
        loanhistory::createTable(connection);
        connection.close();
    }
    const double today = platform::toDayNumber(QDate::currentDate());
    Sqlite db(c.path);
    // Only while generating: nothing here needs to survive a crash.
    db.exec("PRAGMA synchronous=OFF");
    db.exec("PRAGMA journal_mode=OFF");
    db.exec("PRAGMA cache_size=-65536");
    db.exec("BEGIN");
    int64_t rows = 0;
    for (const TableSize& t : sizes) {
        fillItems(db, t.name, t.rows, o.contacts, today, t.seed);
        rows += t.rows;
    }
    fillContacts(db, o.contacts, today);
    rows += o.contacts;
    fillHistory(db, c, o.contacts, today);
    rows += kHistoryRows;
    db.exec("COMMIT");
    return rows;
}

bool catalogueMatches(const Options& o, const Catalogue& c, QString& why) {
    Sqlite db(c.path);
    std::vector<TableSize> sizes = itemTableSizes(o, c);
    sizes.push_back({QStringLiteral("_contacts"), o.contacts, 0});
    for (const TableSize& t : sizes) {
        const int64_t n = db.count(t.name);
        if (n != t.rows) {
            why = n < 0 ? QStringLiteral("table %1 is missing").arg(t.name)
                        : QStringLiteral("table %1 has %2 rows, not %3").arg(t.name).arg(n).arg(t.rows);
            return false;
        }
    }
    // One more small table than asked for would change the per-table work.
    if (o.tables < 999 && db.count(QStringLiteral("T%1").arg(o.tables + 1, 3, 10, QLatin1Char('0'))) >= 0) {
        why = QStringLiteral("the file has more than %1 small tables").arg(o.tables);
        return false;
    }
    return true;
}

int64_t contactWithItems(const Catalogue& c) {
    Sqlite db(c.path);
    sqlite3_stmt* s = nullptr;
    const std::string sql =
        "SELECT contact FROM \"" + c.big.toStdString() + "\" WHERE contact IS NOT NULL ORDER BY id LIMIT 1";
    if (sqlite3_prepare_v2(db.db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
        db.fail("contact");
    const int64_t id = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 1;
    sqlite3_finalize(s);
    return id;
}

} // namespace bench
