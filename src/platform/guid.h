// The operating system's GUID source.
#pragma once

#include <string>

namespace platform {

// A random (version 4) GUID in registry form: 38 characters, braces, upper case.
// Empty when the random source fails.
std::string NewGuid();

}  // namespace platform
