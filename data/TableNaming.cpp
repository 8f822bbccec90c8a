#include "data/TableNaming.h"

#include <QMutex>
#include <sqlite3.h>

namespace tablenaming {

namespace {

bool allowed(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || u == u'_'
           || (u >= 0x0410 && u <= 0x044F);
}

// Ё as Е, é as e: the letter a reader would write instead; else "_".
QChar substitute(QChar c) {
    if (c == u'Ё')
        return u'Е';
    if (c == u'ё')
        return u'е';
    const QString base = QString(c).normalized(QString::NormalizationForm_D);
    return !base.isEmpty() && allowed(base.front()) && base.front().isLetter() ? base.front() : QChar(u'_');
}

// Whether SQLite takes name unquoted where a statement names a table.
bool bareNameWorks(const QString& name) {
    static QMutex lock;
    static sqlite3* db = [] {
        sqlite3* d = nullptr;
        sqlite3_open(":memory:", &d);
        return d;
    }();
    const QMutexLocker locked(&lock);
    const QByteArray sql = "CREATE TABLE " + name.toUtf8() + " (id INTEGER)";
    sqlite3_stmt* statement = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr);
    sqlite3_finalize(statement);
    return rc == SQLITE_OK;
}

} // namespace

bool charactersAllowed(const QString& name) {
    for (const QChar c : name)
        if (!allowed(c))
            return false;
    return true;
}

QString acceptableName(const QString& wanted, const QStringList& taken) {
    QString name;
    for (const QChar c : wanted)
        name += allowed(c) ? c : substitute(c);
    while (name.startsWith(u'_'))
        name.remove(0, 1);
    if (name.isEmpty())
        name = QStringLiteral("Таблица");
    else if (name.front().isDigit())
        name.prepend(QStringLiteral("Таблица_"));
    if (!bareNameWorks(name))
        name += u'_';
    QString unique = name;
    for (int n = 2; taken.contains(unique, Qt::CaseInsensitive); ++n)
        unique = name + QStringLiteral("_%1").arg(n);
    return unique;
}

} // namespace tablenaming
