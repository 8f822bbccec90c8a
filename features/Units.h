#pragma once
// Each feature's one entry point, for the list in Features.cpp.
#include "features/Feature.h"

std::unique_ptr<Feature> makeImportFeature();
std::unique_ptr<Feature> makeHistoryFeature();
std::unique_ptr<Feature> makeReportsFeature();
std::unique_ptr<Feature> makeBackupsFeature();
// --backups FILE: the copies of FILE.
CommandLineOption backupsOption();
