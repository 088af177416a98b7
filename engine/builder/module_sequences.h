// A merge module's sequence tables (ModuleInstallExecuteSequence and the four others) merged
// into the package's sequences. An action the package's table already holds (its standard
// actions) is left where it is; an action with a sequence number takes that number; an action
// placed before or after a base action is given a number between the base action and its
// neighbour in the package's table, the actions placed against one base spread evenly in the
// module's order, so that the same project always gives the same numbers.
#pragma once

#include <string>

#include "build_messages.h"
#include "database.h"

namespace builder {

// The package's sequence table that a module sequence table feeds ("InstallExecuteSequence" for
// "ModuleInstallExecuteSequence"); empty when name is no module sequence table.
std::string PackageSequenceOf(const std::string& moduleTableName);

void MergeModuleSequence(qv::engine::Database& package, const qv::engine::Table& moduleSequence,
                         const std::string& moduleName, BuildMessages& messages);

}  // namespace builder
