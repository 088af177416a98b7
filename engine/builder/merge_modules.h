// The merge modules of a project (its QvMergeModule rows) merged into the package as the
// installer's merge tool would: every table of each module (ModuleSignature, ModuleComponents,
// ModuleDependency and ModuleExclusion among them, the module's TARGETDIR left out so that its
// folders hang below the package's), its sequence tables into the package's sequences
// (module_sequences.h), its configurable values at their defaults (module_configuration.h), its
// components into the feature that each row names, and its files, unpacked from its cabinet,
// after the package's own. A module file that is missing or unreadable, a dependency that
// neither the package nor another module satisfies, an exclusion that one of them hits, and a
// row that conflicts with the package are build errors naming the module; every module is
// checked before any is merged.
#pragma once

#include <string>
#include <vector>

#include "build_messages.h"
#include "database.h"
#include "package_compiler.h"

namespace builder {

// False after errors. unpackFolder is an empty folder of the build's own that holds the modules'
// files while the build runs; *files names them in the order the package takes them.
bool MergeProjectModules(qv::engine::Database& package, const std::string& unpackFolder, BuildMessages& messages,
                         std::vector<ModuleFile>* files);

}  // namespace builder
