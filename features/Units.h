#pragma once
// Each feature's one entry point, for the list in Features.cpp.
#include "features/Feature.h"

std::unique_ptr<Feature> makeImportFeature();
std::unique_ptr<Feature> makeHistoryFeature();
std::unique_ptr<Feature> makeReportsFeature();
std::unique_ptr<Feature> makeBackupsFeature();
std::unique_ptr<Feature> makeRemindersFeature();
std::unique_ptr<Feature> makeSharingFeature();
std::unique_ptr<Feature> makeListImportFeature();
// --backups FILE: the copies of FILE.
CommandLineOption backupsOption();
// --check-due [FILE...] [--force]: the notices of what is due; --debts:
// the program started with the debt search shown.
std::vector<CommandLineOption> reminderOptions();
