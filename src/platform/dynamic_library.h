// Loading shared libraries at run time (the stand-in for LoadLibrary and GetProcAddress).
#pragma once

#include <string>

namespace platform {

using LibraryHandle = void*;

// Loads the library at path (letter case resolved on the host). Null on failure; the reason is
// then in LastLibraryError().
LibraryHandle LoadLibrary(const std::string& path);
// The exported symbol, or null.
void* GetProcAddress(LibraryHandle library, const char* name);
std::string LastLibraryError();

}  // namespace platform

namespace platform {

// The folder (without trailing separator) of the loaded library or program that holds the
// address, symbolic links resolved; empty when unknown. Engine libraries find the files that lie beside them this way.
std::string ModuleFolderOf(const void* address);

}  // namespace platform
