// Source paths of captured files: where the build reads them.
#pragma once

#include <string>

namespace content {

// The host path of a source path as the project stores it: "<SOURCEFILEPATH>\" stands for the
// capture's folder; backslashes and letter case are resolved on the host.
std::string HostPathOfSource(const std::string& sourcePath);

}  // namespace content
