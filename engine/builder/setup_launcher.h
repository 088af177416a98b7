// Places setup.exe beside a package: a copy of the launcher built with the engine, with the
// package's file name written into the launcher's name slot.
#pragma once

#include <string>

namespace builder {

// The launcher's bytes with the package file name in its slot; false when the launcher has no
// slot or the name does not fit (259 UTF-16 units).
bool PatchLauncher(std::string* launcher, const std::string& packageFileName, std::string* error);

// Copies the launcher to target (atomically) with the package name patched in.
bool PlaceSetupLauncher(const std::string& launcherPath, const std::string& packageFileName,
                        const std::string& target, std::string* error);

}  // namespace builder
