#pragma once
// Program-wide state shared by the main window's commands, the table
// manager and the contacts window. Exists once; starts empty or false.
#include <QString>
#include <QStringList>

inline QString DBPath;         // the open database file, possibly a bare file name
inline QString DBTable;        // the current item table
inline QStringList TableNames; // item tables of the open file
inline QString DebtorFilter;   // a contact id while the side list shows one debtor's items
inline bool DebtsMode = false; // the side list shows debts rather than one debtor's items
inline bool CheckOnOpenFlag = false;
inline bool Closing = false;

// Back to the state at program start (tests build the program repeatedly).
inline void ResetProgramState() {
    DBPath.clear();
    DBTable.clear();
    TableNames.clear();
    DebtorFilter.clear();
    DebtsMode = false;
    CheckOnOpenFlag = false;
    Closing = false;
}
