// Type libraries read from the files themselves, as the system's type library loader would
// load them without registering: a standalone type library file, or the TYPELIB resource of a
// PE file (an executable or DLL) by resource number. Both formats are read: the current one
// ("MSFT") and the older one ("SLTG"), far enough to give the library's identity. The input is
// untrusted: every offset and length is checked, and a malformed file is "not loadable".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct TypeLibraryAttributes {
  std::string guid;  // registry form: braces, upper case
  uint16_t majorVersion = 0;
  uint16_t minorVersion = 0;
  uint32_t locale = 0;
};

// resourceNumber 0: a standalone library, or the first TYPELIB resource of a PE file;
// n > 0: the TYPELIB resource numbered n of a PE file.
std::optional<TypeLibraryAttributes> ReadTypeLibrary(std::string_view bytes, uint32_t resourceNumber);
// The libraries of a file on the host for the resource numbers 0, 1, 2, ... up to the first
// that does not load (none when the file cannot be read).
std::vector<TypeLibraryAttributes> LoadTypeLibraries(const std::string& path);

}  // namespace platform
