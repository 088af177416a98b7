// Where the files that a project names lie on the build machine.
#pragma once

#include <string>

namespace builder {

// A source path of the project as a host path: "<SOURCEFILEPATH>\" resolved against the
// SOURCEFILEPATH property, backslashes and letter case resolved on the host, and names stored on
// disk in the capture's code page found too.
std::string HostPathOfSource(const std::string& sourcePath, const std::string& sourceFilePath);

}  // namespace builder
