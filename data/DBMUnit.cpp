#include "data/DBMUnit.h"

#include "data/Codes.h"
#include "data/Layouts.h"
#include "data/LoanRules.h"

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
    Contacts = new shape::ContactDirectory(aqContacts, this);
    ADOConnection->setHiddenTables(shape::hiddenTables());
    ObserveItemWrites(aqMain);
    aqContacts->setWriteObserver([this](const engine::RowChange& change) { ForgetCodeOfDeleted(change); });
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

TDM::Place TDM::PlaceOf(const engine::Query* query) const {
    Place place{query->isOpen() ? query->sortOrder() : QString()};
    const int idField = query->isOpen() ? query->fieldIndex(QStringLiteral("id")) : -1;
    if (idField >= 0 && query->currentRow() >= 0)
        place.id = query->integerValue(query->currentRow(), idField);
    return place;
}

void TDM::ReturnTo(engine::Query* query, const Place& place) {
    if (!query->isOpen())
        return;
    if (!place.order.isEmpty())
        query->sort(place.order);
    const int idField = query->fieldIndex(QStringLiteral("id"));
    for (int r = 0; idField >= 0 && place.id >= 0 && r < query->recordCount(); ++r)
        if (query->integerValue(r, idField) == place.id) {
            query->setCurrentRow(r);
            return;
        }
}

void TDM::Execute(const QStringList& lines) {
    SetStatement(aqMain, lines);
    aqMain->execSQL();
}

bool TDM::HasRows(const QStringList& lines) { return ADOConnection->hasRows(lines.join(u'\n')); }

void TDM::AddItemObserver(QObject* owner, ItemObserver observer) {
    m_itemObservers.push_back({owner, std::move(observer)});
}

void TDM::AddTableObserver(QObject* owner, TableObserver observer) {
    m_tableObservers.push_back({owner, std::move(observer)});
}

void TDM::AddItemGuard(QObject* owner, ItemObserver guard) { m_itemGuards.push_back({owner, std::move(guard)}); }

void TDM::ObserveItemWrites(engine::Query* items) {
    items->setWriteObserver([this](const engine::RowChange& change) {
        ForgetCodeOfDeleted(change);
        for (const auto& [owner, observer] : m_itemObservers)
            if (owner)
                observer(change);
    });
    items->setPostGuard([this](const engine::RowChange& change) {
        for (const auto& [owner, guard] : m_itemGuards)
            if (owner)
                guard(change);
    });
}

void TDM::ForgetCodeOfDeleted(const engine::RowChange& change) {
    const int id = change.query->fieldIndex(shape::column::kId);
    if (change.kind != engine::RowChange::Kind::Delete || id < 0 || size_t(id) >= change.before.size())
        return;
    if (const auto* key = std::get_if<int64_t>(&change.before[size_t(id)]))
        codes::forget(*ADOConnection, {change.query->baseTable(), *key});
}

void TDM::TableRenamed(const QString& from, const QString& to) {
    codes::tableRenamed(*ADOConnection, from, to);
    loanrules::tableRenamed(*ADOConnection, from, to);
    for (const auto& [owner, observer] : m_tableObservers)
        if (owner)
            observer({from, false, to});
}

void TDM::TableRemoving(const QString& table) {
    codes::tableRemoved(*ADOConnection, table);
    loanrules::tableRemoved(*ADOConnection, table);
    for (const auto& [owner, observer] : m_tableObservers)
        if (owner)
            observer({table, true, QString()});
}

void TDM::ReadAgain(engine::Query* query) {
    const Place place = PlaceOf(query);
    query->close();
    query->open();
    ReturnTo(query, place);
}

void TDM::ConnectTo(const QString& path, engine::OpenMode mode) {
    ADOConnection->close();
    ADOConnection->setConnectionString(ConnectionStringFor(path));
    ADOConnection->open(mode);
}

TDM::~TDM() = default;
