#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/host_paths.h"

namespace platform {

namespace {

std::string lastError;

// Whether the file is a whole 64-bit ELF shared library: its headers readable and every
// segment that the loader maps lying inside the file. The loader maps the file and would fault
// (SIGBUS) on a page that a cut-off file no longer holds, so that is checked before.
bool IsCompleteLibrary(const std::string& hostPath, std::string* problem) {
  const int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *problem = std::strerror(errno);
    return false;
  }
  struct stat info {};
  Elf64_Ehdr header{};
  bool whole = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
               ::pread(fd, &header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) &&
               std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 && header.e_ident[EI_CLASS] == ELFCLASS64 &&
               header.e_type == ET_DYN && header.e_phentsize == sizeof(Elf64_Phdr);
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  whole = whole && header.e_phoff <= size && header.e_phnum <= (size - header.e_phoff) / sizeof(Elf64_Phdr) &&
          (header.e_shoff == 0 || (header.e_shoff <= size && uint64_t(header.e_shnum) * header.e_shentsize <= size - header.e_shoff));
  for (unsigned i = 0; whole && i < header.e_phnum; ++i) {
    Elf64_Phdr segment{};
    whole = ::pread(fd, &segment, sizeof segment, static_cast<off_t>(header.e_phoff + i * sizeof segment)) ==
                static_cast<ssize_t>(sizeof segment) &&
            (segment.p_type != PT_LOAD || (segment.p_offset <= size && segment.p_filesz <= size - segment.p_offset));
  }
  ::close(fd);
  if (!whole) *problem = "not a complete shared library (damaged or cut off)";
  return whole;
}

}  // namespace

LibraryHandle LoadLibrary(const std::string& path) {
  const std::string host = ResolveHostPath(path);
  // A path with a separator keeps dlopen from searching the library path.
  if (host.find('/') == std::string::npos) {
    lastError = "not a path to a library: " + path;
    return nullptr;
  }
  std::string problem;
  if (!IsCompleteLibrary(host, &problem)) {
    lastError = host + ": " + problem;
    return nullptr;
  }
  LibraryHandle handle = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* error = dlerror();
    lastError = error ? error : "cannot load " + path;
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
