#pragma once
// The data module: the one connection and the two queries every window
// reads and writes the catalogue file through.
#include "engine/Connection.h"
#include "engine/Query.h"

#include <QObject>

// Feeds a data-aware control from a query.
class DataSource : public QObject {
    Q_OBJECT
public:
    DataSource(engine::Query* dataSet, const QString& name, QObject* parent) : QObject(parent), m_dataSet(dataSet) {
        setObjectName(name);
    }
    engine::Query* dataSet() const { return m_dataSet; }

private:
    engine::Query* m_dataSet;
};

class TDM : public QObject {
    Q_OBJECT
public:
    explicit TDM(QObject* parent = nullptr);
    ~TDM() override;

    // The statement sequences every window runs through the data module.
    // query := a new statement of these lines, opened.
    void Reopen(engine::Query* query, const QStringList& lines);
    // Runs one statement of these lines that returns no rows, on aqMain.
    void Execute(const QStringList& lines);
    // Whether the SELECT of these lines yields any row; no query is moved.
    bool HasRows(const QStringList& lines);
    // The connection, closed first, opened again on the file at path.
    void ConnectTo(const QString& path);
    // The open file keeps the loan history (_loans), made now where it
    // lacks it and may be written. Every change of aqMain records its
    // loan events in the same transaction while this holds.
    bool KeepLoanHistory();
    bool LoansKept = false;

    engine::Connection* ADOConnection;
    engine::Query* aqMain;
    DataSource* dsMain;
    engine::Query* aqContacts;
    DataSource* dsContacts;
};

// The single instance, set while one exists.
extern TDM* DM;

// "Provider=...;Data Source=" + path + ";Persist Security Info=False"
QString ConnectionStringFor(const QString& path);
