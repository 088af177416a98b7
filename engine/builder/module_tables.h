// The tables of a merge module merged into a package as the installer's merge tool does: a table
// the package lacks is created with the module's columns; a row whose key the package already
// holds must carry the same data, or the module conflicts with the package.
#pragma once

#include <functional>
#include <string>

#include "build_messages.h"
#include "database.h"

namespace builder {

// Whether a row of the module's table is merged at all (the module's TARGETDIR, for one).
using ModuleRowFilter = std::function<bool(const qv::engine::Row&)>;

// Merges the rows of moduleTable into the package's table of the same name. Conflicts and
// columns that do not fit are errors naming the module (moduleName). With keepPackageRows, a
// row whose key the package holds is left as it is (the validation rows, which describe the
// same columns in their own words).
void MergeModuleTable(qv::engine::Database& package, const qv::engine::Table& moduleTable, const std::string& moduleName,
                      bool keepPackageRows, const ModuleRowFilter& filter, BuildMessages& messages);

// The module's name as messages give it: "Merge module 'fernrt.msm'".
std::string ModuleLabel(const std::string& moduleName);

}  // namespace builder
