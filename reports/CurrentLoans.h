#pragma once
// Every item now lent, over all item tables, with its debtor: what the
// debt list, the calendar and a debtor's reminder are made of.
#include "data/CatalogueShape.h"
#include "data/Loan.h"
#include "engine/Connection.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cmath>

namespace reports {

// The loans of tables (item table names; views are passed over), of one
// contact or (0) of all, their debtors found in contacts; ordered by
// debtor's name, then due date (undated last), then table and title.
QList<shape::Loan> currentLoans(engine::Connection& connection, const QStringList& tables,
                                const shape::ContactDirectory& contacts, qint64 contact = 0);

} // namespace reports
