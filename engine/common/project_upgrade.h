// Version states of a project database, and the upgrade of an older project or a plain
// package to the current project format.
#pragma once

#include "database.h"

namespace qv::engine {

// kVersionCurrent, kVersionNeedsUpgrade, or kVersionNewer (qv/upgrader.h).
int32_t VersionStateOf(const Database& database);

// Brings database to the current format: the tables of blank (the blank template; may be
// null) that it lacks, with their rows and _Validation rows; the template's Directory rows it
// lacks (TARGETDIR, INSTALLDIR, the standard folders) where their parent exists; the project
// tables and the format version. Rows the database has are kept as they are.
HResult UpgradeDatabase(Database& database, const Database* blank);

}  // namespace qv::engine
