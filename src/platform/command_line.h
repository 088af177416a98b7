// Command-line conventions of the platform.
#pragma once

#include <string>

namespace platform {

// True when the argument is a switch. Arguments beginning with '-' are switches; on POSIX,
// where absolute paths begin with '/', an argument beginning with '/' is a switch only when it
// holds no further '/' ("/vpxonly" is a switch, "/home/me/app.inc" a path).
bool IsSwitchArgument(const std::string& argument);

}  // namespace platform
