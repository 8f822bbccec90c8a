#pragma once
// Routines that handle a catalogue file as a whole: creating it, checking
// its layout (converting an old one), compacting it, and listing its tables.
#include "engine/Connection.h"

#include <QString>
#include <QStringList>

// Makes a new empty file; shows the engine's refusal and returns false.
bool CreateBase(const QString& path);

// Checks the file named by DBPath before it is opened; offers to convert an
// old layout. True when the file may be opened now. The connection is left
// closed in every outcome.
bool CheckBaseVersion(engine::OpenMode mode = engine::OpenMode::Write);

// Converts the open old-layout file; all or nothing.
bool ConvertBase();

// Compacts a closed file; with an empty destination, in place. Reports its
// own errors; the source stays as it was on any failure.
void CompactBase(const QString& source, const QString& destination, const QString& password);

// Carries the id counter of table from over to table to, after rows were
// copied between them with their ids.
void KeepCounter(const QString& from, const QString& to);

// Table and view names of the open file, system tables excluded.
QStringList ReadTableNames();
// The program's own tables, never item tables: _contacts and _loans.
bool IsProgramTable(const QString& name);
// The item tables of the open file: every table and view but the program's own.
QStringList ReadItemTableNames();
// TableNames := the item tables of the open file.
void RebuildTableNames();
// DBPath for a chosen file: the bare name in the program's own folder.
QString ReducedDBPath(const QString& path);
// Whether list holds name, compared without regard to case.
bool ListHolds(const QStringList& list, const QString& name);
