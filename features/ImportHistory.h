#pragma once
// An import's rows written together with their loans' history: a «выдано»
// event for each loan it brings and «возвращено» for each past one, in the
// import's own transaction, when the catalogue keeps a history.
#include "imports/ImportRun.h"

namespace engine {
class Connection;
}

imports::ImportRun::Outcome WriteWithHistory(imports::ImportRun& run, engine::Connection& connection,
                                             const QString& table, bool create, bool refusedToo,
                                             const imports::Progress& progress, bool keepHistory);
