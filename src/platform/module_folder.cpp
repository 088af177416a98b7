#include <dlfcn.h>
#include <stdlib.h>

#include "platform/dynamic_library.h"
#include "platform/host_paths.h"

namespace platform {

std::string ModuleFolderOf(const void* address) {
  Dl_info info{};
  if (!dladdr(address, &info) || !info.dli_fname) return "";
  // The folder of the file itself, also when it was loaded through a symbolic link: the files
  // that the build places beside the library lie there.
  char* real = realpath(info.dli_fname, nullptr);
  const std::string path = real ? std::string(real) : FullPath(info.dli_fname);
  free(real);
  const size_t cut = LastSeparator(path);
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace platform
