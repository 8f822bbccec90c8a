#include "data/DBMUnit.h"

#include "data/Layouts.h"
#include "data/LoanHistory.h"

TDM* DM = nullptr;

QString ConnectionStringFor(const QString& path) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path
           + QStringLiteral(";Persist Security Info=False");
}

TDM::TDM(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("DM"));
    ADOConnection = new engine::Connection(this);
    ADOConnection->setObjectName(QStringLiteral("ADOConnection"));
    aqMain = new engine::Query(ADOConnection, QStringLiteral("aqMain"), this);
    dsMain = new DataSource(aqMain, QStringLiteral("dsMain"), this);
    aqContacts = new engine::Query(ADOConnection, QStringLiteral("aqContacts"), this);
    dsContacts = new DataSource(aqContacts, QStringLiteral("dsContacts"), this);
    aqContacts->setFieldDefs(layouts::contactFields());
    aqContacts->addSql(QStringLiteral("SELECT *"));
    aqContacts->addSql(QStringLiteral("FROM _contacts"));
    aqMain->setFieldDefs(layouts::itemFields(aqContacts));
    aqMain->setWriteObserver([this](const engine::RowChange& change) {
        if (LoansKept)
            loanhistory::record(change, *ADOConnection, *aqContacts);
    });
    if (!DM)
        DM = this;
}

namespace {

// Any change of a query's statement closes it first.
void SetStatement(engine::Query* query, const QStringList& lines) {
    query->clearSql();
    for (const QString& line : lines)
        query->addSql(line);
}

} // namespace

void TDM::Reopen(engine::Query* query, const QStringList& lines) {
    SetStatement(query, lines);
    query->open();
}

void TDM::Execute(const QStringList& lines) {
    SetStatement(aqMain, lines);
    aqMain->execSQL();
}

bool TDM::HasRows(const QStringList& lines) { return ADOConnection->hasRows(lines.join(u'\n')); }

bool TDM::KeepLoanHistory() {
    LoansKept = loanhistory::ensureTable(*ADOConnection);
    return LoansKept;
}

void TDM::ConnectTo(const QString& path) {
    LoansKept = false;
    ADOConnection->close();
    ADOConnection->setConnectionString(ConnectionStringFor(path));
    ADOConnection->open();
}

TDM::~TDM() {
    if (DM == this)
        DM = nullptr;
}
