// Where the files that a project names lie on the build machine.
#pragma once

#include <string>

namespace builder {

// A source path of the project as a host path: "<SOURCEFILEPATH>\" resolved against the
// SOURCEFILEPATH property, backslashes and letter case resolved on the host, and names stored on
// disk in the capture's code page found too.
std::string HostPathOfSource(const std::string& sourcePath, const std::string& sourceFilePath);

// Why the build may not read a source file: a path given below "<SOURCEFILEPATH>\" that leads
// out of that folder (through "..", either separator or a symbolic link), or something that is
// not a regular file (a FIFO would hang the build). Empty when the file may be read or is
// missing (the caller reports a missing file).
std::string SourceRefusal(const std::string& sourcePath, const std::string& hostPath,
                          const std::string& sourceFilePath);

}  // namespace builder
