// The program's own version (from the build).
#pragma once

#include <string>

namespace platform {

// "%d.%d.%d.%d" of the four parts of the program's file version.
std::string ProgramVersion();

}  // namespace platform
