#include "data/CatalogueShape.h"

namespace shape {

QStringList programTables() { return {kContactsTable, kLoansTable, kCodesTable, kRulesTable}; }

bool isProgramTable(const QString& name) { return programTables().contains(name, Qt::CaseInsensitive); }

QStringList hiddenTables() { return {kLoansTable, kCodesTable, kRulesTable}; }

QList<sql::Column> itemTable() {
    return {{column::kId, QStringLiteral("COUNTER PRIMARY KEY")},
            {column::kTitle, QStringLiteral("VARCHAR"), kTitleLength},
            {column::kKind, QStringLiteral("VARCHAR"), kKindLength},
            {column::kIssue, QStringLiteral("DATETIME")},
            {column::kDue, QStringLiteral("DATETIME")},
            {column::kContact, QStringLiteral("INT")},
            {column::kNote, QStringLiteral("VARCHAR"), kNoteLength}};
}

QList<sql::Column> contactTable() {
    return {{column::kId, QStringLiteral("COUNTER PRIMARY KEY")},
            {column::kName, QStringLiteral("VARCHAR"), kNameLength},
            {column::kPhone, QStringLiteral("VARCHAR"), kPhoneLength},
            {column::kAddress, QStringLiteral("VARCHAR"), kAddressLength},
            {column::kBirthday, QStringLiteral("DATETIME")},
            {column::kReliability, QStringLiteral("INT")}};
}

QStringList namesOf(const QList<sql::Column>& columns) {
    QStringList names;
    for (const sql::Column& c : columns)
        names << c.name;
    return names;
}

QStringList itemColumns() { return namesOf(itemTable()); }

QStringList contactColumns() { return namesOf(contactTable()); }

QString designText(const QList<sql::Column>& columns) {
    QStringList defined;
    for (const sql::Column& c : columns)
        defined << c.name + u' ' + c.declared();
    return u'(' + defined.join(QStringLiteral(", ")) + u')';
}

QList<sql::Column> loanColumns() {
    // The rowid, with no counter to keep: events are never deleted, and the
    // counter would be one more page for every post to write.
    return {{"id", "INTEGER PRIMARY KEY"},
            {"at", "DATETIME"},
            {"event", "INT"},
            {"tablename", "LONGTEXT"},
            {"item", "INT"},
            {"title", "LONGTEXT"},
            {"contact", "INT"},
            {"contactname", "LONGTEXT"},
            {"issue", "DATETIME"},
            {"duebefore", "DATETIME"},
            {"dueafter", "DATETIME"},
            {"removed", "DATETIME"}};
}

ContactDirectory::ContactDirectory(const engine::Query* contacts, QObject* parent)
    : QObject(parent), m_contacts(contacts) {
    // Rows added, removed, reordered or replaced, or the query opened anew.
    const auto stale = [this] { m_valid = false; };
    connect(contacts, &engine::Query::rowsReset, this, stale);
    connect(contacts, &engine::Query::opened, this, stale);
    connect(contacts, &engine::Query::closed, this, stale);
}

int ContactDirectory::rowOf(qint64 id) const {
    if (!m_contacts->isOpen())
        return -1;
    if (!m_valid) {
        m_rows.clear();
        const int key = m_contacts->fieldIndex(QStringLiteral("id"));
        m_rows.reserve(m_contacts->recordCount());
        for (int r = 0; key >= 0 && r < m_contacts->recordCount(); ++r)
            m_rows.insert(m_contacts->integerValue(r, key), r);
        m_valid = true;
    }
    return m_rows.value(id, -1);
}

QString ContactDirectory::textOf(qint64 id, const char* column) const {
    const int row = rowOf(id);
    return row < 0 ? QString() : m_contacts->textValue(row, m_contacts->fieldIndex(QString::fromLatin1(column)));
}

QString ContactDirectory::nameOf(qint64 id) const { return textOf(id, "name"); }

QString ContactDirectory::phoneOf(qint64 id) const { return textOf(id, "phone"); }

QString ContactDirectory::addressOf(qint64 id) const { return textOf(id, "address"); }

QVariant ContactDirectory::groupOf(qint64 id) const {
    const int row = rowOf(id);
    return row < 0 ? QVariant() : m_contacts->value(row, m_contacts->fieldIndex(QStringLiteral("reliability")));
}

bool ContactDirectory::blackListed(qint64 id) const {
    const QVariant group = groupOf(id);
    return group.isValid() && group.toLongLong() == 1;
}

} // namespace shape
