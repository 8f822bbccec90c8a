#pragma once
// Keeps the loan history of the catalogue the data module has open: made or
// mended when a catalogue is opened, each change of an item recorded in the
// change's own transaction, renamed and removed tables followed. While one
// lives it is the program's one (current()); the windows ask it whether
// the open catalogue keeps a history.
#include <QObject>

class TDM;

namespace loanhistory {

class Keeper : public QObject {
public:
    explicit Keeper(TDM& dataModule);
    ~Keeper();

    // The catalogue now open keeps its history from here on (made where it
    // lacks one and may be written). False when it keeps none.
    bool catalogueOpened();
    bool kept() const { return m_kept; }

private:
    TDM& m_dm;
    bool m_kept = false;
};

// The keeper while one lives, else none.
Keeper* current();
// Whether the open catalogue keeps its history.
bool kept();

} // namespace loanhistory
