#pragma once
// The settings file "Zandrel.ini" beside the executable, section "Options".
#include <QString>

QString SettingsPath();
// DBPath, DBTable and CheckOnOpenFlag from the file; defaults when missing.
void ReadSettings();
// Writes DBPath and DBTable back when they differ from the stored texts
// (case counts) and CheckOnOpen always; a failed write is reported and the
// remaining writes skipped.
void WriteSettings();
