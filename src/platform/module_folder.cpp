#include <dlfcn.h>

#include "platform/dynamic_library.h"
#include "platform/host_paths.h"

namespace platform {

std::string ModuleFolderOf(const void* address) {
  Dl_info info{};
  if (!dladdr(address, &info) || !info.dli_fname) return "";
  const std::string path = FullPath(info.dli_fname);
  const size_t cut = LastSeparator(path);
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace platform
