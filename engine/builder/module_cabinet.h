// The files of a merge module: its cabinet (the stream "MergeModule.CABinet", each file stored
// under its File key) read with libgcab and unpacked into a folder of the build's own.
#pragma once

#include <map>
#include <string>

namespace builder {

// Unpacks the module's cabinet into folder (which must exist) under names of our own, never
// the names the cabinet gives. Gives the host path of each file by its name in the cabinet.
// False, with *error saying why, when the module holds no cabinet or it cannot be read.
bool UnpackModuleCabinet(const std::string& modulePath, const std::string& folder,
                         std::map<std::string, std::string>* filesByName, std::string* error);

}  // namespace builder
