// CreateFolder rows: the installer creates (and on removal removes, when empty) a component's
// folder. Components without a key file need one for their folder, which is then their key path.
#pragma once

#include <string>

namespace project {

// One row of "CreateFolder" for the directory and the component.
void WriteCreateFolder(const std::string& directoryId, const std::string& componentName);

}  // namespace project
