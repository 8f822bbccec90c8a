#include "imports/ImportWriter.h"

#include "imports/ImportError.h"

#include "data/CatalogueShape.h"
#include "data/Statements.h"
#include "engine/Connection.h"
#include "engine/Query.h"
#include "engine/RowInsert.h"

namespace imports {
namespace {

namespace column = shape::column;

QString nameKey(const QString& name) { return name.trimmed().toCaseFolded(); }

} // namespace

ImportWriter::ImportWriter(engine::Connection& connection, const QString& table, bool create)
    : m_connection(connection), m_table(table) {
    if (create)
        connection.execute(sql::createTable(table, shape::itemTable()));
    const QStringList columns = connection.columnsOf(table);
    m_hasNote = columns.contains(column::kNote, Qt::CaseInsensitive);
    m_hasLoans = columns.contains(column::kContact, Qt::CaseInsensitive)
                 && columns.contains(column::kIssue, Qt::CaseInsensitive)
                 && columns.contains(column::kDue, Qt::CaseInsensitive);
    QStringList written{column::kId, column::kTitle, column::kKind};
    if (m_hasLoans)
        written << column::kIssue << column::kDue << column::kContact;
    if (m_hasNote)
        written << column::kNote;
    m_insert = std::make_unique<engine::RowInsert>(connection, table, written);
    m_contactInsert = std::make_unique<engine::RowInsert>(connection, shape::kContactsTable,
                                                          QStringList{column::kId, column::kName}, 1);
    m_nextItem = nextId(table);
    m_nextContact = nextId(shape::kContactsTable);

    engine::Query contacts(&connection, QStringLiteral("importContacts"));
    contacts.addSql(sql::Select({sql::name(column::kId), sql::name(column::kName)}).from(shape::kContactsTable).text());
    contacts.open();
    for (int r = contacts.recordCount() - 1; r >= 0; --r) // the first of namesakes wins
        m_contactIds.insert(nameKey(contacts.textValue(r, 1)), contacts.integerValue(r, 0));
}

ImportWriter::~ImportWriter() = default;

qint64 ImportWriter::nextId(const QString& table) {
    // After the counter and after every id there is: ids given once are
    // never given again.
    engine::Query q(&m_connection, QStringLiteral("importCounter"));
    const QString counter = sql::valueOf(sql::Select({sql::name(QStringLiteral("seq"))})
                                             .from(QStringLiteral("sqlite_sequence"))
                                             .where(sql::equals(QStringLiteral("name"), sql::text(table))));
    const QString largest = sql::valueOf(sql::Select({sql::maximum(column::kId)}).from(table));
    q.addSql(sql::Select({sql::larger(sql::coalesce({counter, sql::number(qint64(0))}),
                                      sql::coalesce({largest, sql::number(qint64(0))}))})
                 .text());
    q.open();
    return q.value(0, 0).toLongLong() + 1;
}

qint64 ImportWriter::contactFor(const QString& name) {
    const QString key = nameKey(name);
    if (const auto found = m_contactIds.constFind(key); found != m_contactIds.cend())
        return *found;
    const qint64 id = m_nextContact++;
    m_contactInsert->setInteger(0, id);
    m_contactInsert->setText(1, name.trimmed());
    m_contactInsert->insert();
    m_contactIds.insert(key, id);
    ++m_contacts;
    return id;
}

void ImportWriter::add(const Record& record) {
    const bool lent = !record.debtor.isEmpty();
    if ((lent || !record.past.isEmpty()) && !m_hasLoans)
        throw ImportError(
            QStringLiteral("В таблице '%1' нет полей выдачи, а в файле есть выданные вещи.").arg(m_table));
    if (!record.note.isEmpty() && !m_hasNote)
        throw ImportError(
            QStringLiteral("В таблице '%1' нет поля примечания, а в файле есть примечания.").arg(m_table));
    const qint64 id = m_nextItem++;
    int c = 0;
    m_insert->setInteger(c++, id);
    m_insert->setText(c++, record.title);
    if (record.kind.isEmpty())
        m_insert->setNull(c++);
    else
        m_insert->setText(c++, record.kind);
    shape::Loan loan{.table = m_table, .item = id, .title = record.title};
    if (m_hasLoans) {
        if (lent) {
            loan.contact = contactFor(record.debtor);
            loan.debtor = record.debtor.trimmed();
            loan.issued = record.issue;
            loan.due = record.due;
        }
        m_insert->setDay(c++, loan.issued);
        m_insert->setDay(c++, loan.due);
        if (lent)
            m_insert->setInteger(c++, loan.contact);
        else
            m_insert->setNull(c++);
    }
    if (m_hasNote) {
        if (record.note.isEmpty())
            m_insert->setNull(c++);
        else
            m_insert->setText(c++, record.note);
    }
    m_insert->insert();
    ++m_items;
    if (!onLoan)
        return;
    for (const PastLoan& past : record.past) {
        onLoan({.table = m_table,
                .item = id,
                .title = record.title,
                .contact = contactFor(past.debtor),
                .debtor = past.debtor.trimmed(),
                .issued = past.lent,
                .ended = std::isnan(past.returned) ? past.lent : past.returned,
                .end = shape::Loan::End::Returned});
    }
    if (lent)
        onLoan(loan);
}

void ImportWriter::finish() {
    m_insert->finish();
    m_contactInsert->finish();
}

} // namespace imports
