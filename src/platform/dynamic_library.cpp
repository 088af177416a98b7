#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include "platform/host_paths.h"

namespace platform {

namespace {
std::string lastError;
}

LibraryHandle LoadLibrary(const std::string& path) {
  const std::string host = ResolveHostPath(path);
  // A path with a separator keeps dlopen from searching the library path.
  LibraryHandle handle = host.find('/') == std::string::npos
                             ? nullptr
                             : dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* error = dlerror();
    lastError = error ? error : "not a path to a library: " + path;
  }
  return handle;
}

void* GetProcAddress(LibraryHandle library, const char* name) {
  if (!library) return nullptr;
  dlerror();
  void* symbol = dlsym(library, name);
  if (!symbol) {
    const char* error = dlerror();
    lastError = error ? error : std::string("no symbol ") + name;
  }
  return symbol;
}

std::string LastLibraryError() { return lastError; }

}  // namespace platform
