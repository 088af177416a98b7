// A configurable merge module (ModuleConfiguration, ModuleSubstitution) merged as the merge
// tool does without an answer from its user: every item takes its default value, and each
// substitution writes its value, with "[=Item]" replaced by the item's value, into the module's
// row before the module is merged.
#pragma once

#include <string>

#include "database.h"

namespace builder {

// Applies the module's substitutions to its own tables; false, with *error saying which row,
// when a substitution names a row, column or item that is not there.
bool ApplyModuleConfiguration(qv::engine::Database& module, std::string* error);

}  // namespace builder
