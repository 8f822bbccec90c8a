// zandrel-demo FILE: makes the sample catalogue a newcomer first sees
// ("make run"): books, discs and games, a dozen contacts in all three
// groups, and loans overdue, due today, due tomorrow and later, dated from
// today. FILE must not exist yet.
#include "data/Layouts.h"
#include "engine/Connection.h"
#include "engine/DatabaseFiles.h"
#include "engine/Dialect.h"
#include "platform/Today.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <exception>

namespace {

struct Item {
    const char* title;
    const char* kind;
    int contact;   // 0: not lent
    int issuedAgo; // days before today
    int dueIn;     // days from today; negative: overdue
    const char* note;
};

QString text(const char* value) {
    return value && *value ? u'\'' + engine::quoted(QString::fromUtf8(value)) + u'\'' : QStringLiteral("NULL");
}

void fill(engine::Connection& c, const char* table, std::initializer_list<Item> items) {
    const double today = platform::today();
    c.execute(QStringLiteral("Create Table %1\n").arg(QString::fromUtf8(table)) + layouts::kItemColumns);
    for (const Item& i : items) {
        const bool lent = i.contact > 0;
        c.execute(QStringLiteral(
                      "INSERT INTO %1 (title, type, contact, issue, return, description) SELECT %2, %3, %4, %5, %6, %7")
                      .arg(QString::fromUtf8(table), text(i.title), text(i.kind),
                           lent ? QString::number(i.contact) : QStringLiteral("NULL"),
                           lent ? QString::number(today - i.issuedAgo) : QStringLiteral("NULL"),
                           lent ? QString::number(today + i.dueIn) : QStringLiteral("NULL"), text(i.note)));
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zandrel-demo FILE\n");
        return 2;
    }
    const QString path = app.arguments().at(1);
    try {
        engine::createDatabase(path);
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + path);
        c.open();
        c.inOneTransaction([&] {
            c.execute(QStringLiteral("Create Table _contacts\n") + layouts::kContactColumns);
            // reliability: -1 general group (Null), 0 trusted, 1 black list
            const struct {
                const char* name;
                const char* phone;
                const char* address;
                int group;
            } contacts[] = {
                {"Иванов Иван Петрович", "+7 495 123-45-67", "Москва, ул. Лесная, 5", -1},
                {"Петрова Анна Сергеевна", "+7 812 765-43-21", "Санкт-Петербург, Невский пр., 20", 0},
                {"Сидоров Олег", "+7 903 111-22-33", "", 1},
                {"Кузнецова Мария", "+7 916 222-33-44", "Тверь, ул. Советская, 1", 0},
                {"Smith John", "+44 20 7946 0000", "London, Baker St. 221b", -1},
                {"Müller Anna", "+49 30 1234567", "Berlin, Hauptstraße 7", 0},
                {"Волков Пётр", "", "Казань", -1},
                {"Орлова Елена", "+7 921 555-66-77", "", 1},
                {"Новиков Дмитрий", "+7 926 777-88-99", "Москва, Арбат, 10", -1},
                {"García Lucía", "+34 91 123 45 67", "Madrid, Gran Vía 1", -1},
                {"Ёлкин Степан", "+7 905 999-00-11", "Ярославль", 0},
                {"Белова Ольга", "", "Самара, ул. Ленина, 3", -1},
            };
            for (const auto& p : contacts)
                c.execute(
                    QStringLiteral("INSERT INTO _contacts (name, phone, address, reliability) SELECT %1, %2, %3, %4")
                        .arg(text(p.name), text(p.phone), text(p.address),
                             p.group < 0 ? QStringLiteral("NULL") : QString::number(p.group)));
            fill(c, "Книги",
                 {{"Мастер и Маргарита", "роман", 1, 30, -5, "первое издание"},
                  {"Война и мир", "роман", 2, 14, 0, nullptr},
                  {"Преступление и наказание", "роман", 3, 20, 1, "с закладками"},
                  {"Анна Каренина", "роман", 0, 0, 0, nullptr},
                  {"Идиот", "роман", 4, 3, 25, nullptr},
                  {"The Hobbit", "novel", 5, 10, -1, nullptr},
                  {"Pride and Prejudice", "novel", 0, 0, 0, "на верхней полке"},
                  {"1984", "novel", 6, 5, 9, nullptr},
                  {"Евгений Онегин", "стихи", 0, 0, 0, nullptr},
                  {"Don Quijote", "novela", 10, 40, -12, "вернуть до отпуска"}});
            fill(c, "Диски",
                 {{"Кино — Группа крови", "винил", 7, 12, -2, nullptr},
                  {"Abbey Road", "винил", 0, 0, 0, nullptr},
                  {"Вивальди. Времена года", "CD", 8, 2, 0, "царапина на обложке"},
                  {"Сталкер", "DVD", 9, 6, 1, nullptr},
                  {"Kind of Blue", "CD", 0, 0, 0, nullptr}});
            fill(c, "Игры",
                 {{"Шахматы", "настольная", 11, 4, 10, nullptr},
                  {"Монополия", "настольная", 12, 15, -3, "не хватает фишки"},
                  {"Каркассон", "настольная", 0, 0, 0, nullptr},
                  {"Колонизаторы", "настольная", 1, 1, 1, nullptr}});
        });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zandrel-demo: %s\n", e.what());
        return 1;
    }
    return 0;
}
