#pragma once
// The shape of a catalogue file, known here and nowhere else: the program's
// own tables, the columns of item and contact tables, and the contacts of
// the open catalogue found by their id.
#include "data/Statements.h"
#include "engine/Query.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace shape {

inline const QString kContactsTable = QStringLiteral("_contacts");
// The loan history, kept by the program beside the item tables.
inline const QString kLoansTable = QStringLiteral("_loans");
// The codes on items and contacts (data/Codes.h).
inline const QString kCodesTable = QStringLiteral("_codes");
// The loan rules (data/LoanRules.h).
inline const QString kRulesTable = QStringLiteral("_rules");
// The older files' contacts table, converted on opening.
inline const QString kOldContactsTable = QStringLiteral("contacts");

// The program's own tables: never item tables, never listed as such.
QStringList programTables();
bool isProgramTable(const QString& name);
// Tables the catalogue keeps for itself that not even the engine lists.
QStringList hiddenTables();

// The columns of an item table and of the contacts table.
namespace column {
inline const QString kId = QStringLiteral("id");
inline const QString kTitle = QStringLiteral("title");
inline const QString kKind = QStringLiteral("type");
inline const QString kIssue = QStringLiteral("issue");
inline const QString kDue = QStringLiteral("return");
inline const QString kContact = QStringLiteral("contact");
inline const QString kNote = QStringLiteral("description");
inline const QString kName = QStringLiteral("name");
inline const QString kPhone = QStringLiteral("phone");
inline const QString kAddress = QStringLiteral("address");
inline const QString kBirthday = QStringLiteral("birthday");
inline const QString kReliability = QStringLiteral("reliability");
} // namespace column
// The longest texts they hold.
inline constexpr int kTitleLength = 50;
inline constexpr int kKindLength = 25;
inline constexpr int kNoteLength = 50;
inline constexpr int kNameLength = 50;
inline constexpr int kPhoneLength = 25;
inline constexpr int kAddressLength = 50;

// The columns of an item table and of the contacts table, typed, in their
// order; the older layout's item tables lack the last one (description).
QList<sql::Column> itemTable();
QList<sql::Column> contactTable();
QStringList namesOf(const QList<sql::Column>& columns);
QStringList itemColumns();
QStringList contactColumns();
// The columns as the design's own statements write them, after "Create
// Table <name>": "(id COUNTER PRIMARY KEY, title VARCHAR(50), ...)".
QString designText(const QList<sql::Column>& columns);
// The loan history's columns, the rowid first: when, what happened, the
// item (table, id, title), the debtor (id, name), the loan's dates, and
// when the item's table was removed.
QList<sql::Column> loanColumns();

// Why a change of an item was made, carried by the change itself.
enum Reason { Edited = 0, WrittenOff = 1 };

// The contacts of the open catalogue by their id: one keyed lookup over
// the contacts query, made again only when its rows change.
class ContactDirectory : public QObject {
public:
    explicit ContactDirectory(const engine::Query* contacts, QObject* parent = nullptr);
    // The contact's row in the query, -1 when there is none.
    int rowOf(qint64 id) const;
    QString nameOf(qint64 id) const;
    QString phoneOf(qint64 id) const;
    QString addressOf(qint64 id) const;
    // Null: the general group; 0 trusted; 1 the black list.
    QVariant groupOf(qint64 id) const;
    bool blackListed(qint64 id) const;

private:
    QString textOf(qint64 id, const char* column) const;
    const engine::Query* m_contacts;
    mutable QHash<qint64, int> m_rows;
    mutable bool m_valid = false;
};

} // namespace shape
