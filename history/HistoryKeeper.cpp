#include "history/HistoryKeeper.h"

#include "data/DBMUnit.h"
#include "history/LoanHistory.h"

namespace loanhistory {

namespace {
Keeper* theKeeper = nullptr;
} // namespace

Keeper::Keeper(TDM& dataModule) : m_dm(dataModule) {
    if (!theKeeper)
        theKeeper = this;
    // Every change of an item, in its transaction, while the history is kept.
    dataModule.AddItemObserver(this, [this](const engine::RowChange& change) {
        if (m_kept)
            record(change, *m_dm.ADOConnection, *m_dm.Contacts);
    });
    dataModule.AddTableObserver(this, [this](const TableChange& change) {
        if (change.removed)
            closeTable(*m_dm.ADOConnection, change.table);
        else
            renameTable(*m_dm.ADOConnection, change.table, change.newName);
    });
    // Another file: nothing is kept until it is opened as a catalogue.
    connect(dataModule.ADOConnection, &engine::Connection::aboutToClose, this, [this] { m_kept = false; });
}

Keeper::~Keeper() {
    if (theKeeper == this)
        theKeeper = nullptr;
}

bool Keeper::catalogueOpened() {
    m_kept = ensureTable(*m_dm.ADOConnection);
    return m_kept;
}

Keeper* current() { return theKeeper; }

bool kept() { return theKeeper && theKeeper->kept(); }

} // namespace loanhistory
