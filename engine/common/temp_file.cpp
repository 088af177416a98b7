#include "temp_file.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/host_paths.h"

namespace qv::engine {

std::string FolderOf(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  if (cut == std::string::npos) return ".";
  if (cut == 0) return "/";
  return path.substr(0, cut);
}

TempFileBeside::TempFileBeside(const std::string& target) {
  // Named as every temporary of a run ("<name>.tmp<pid>.<n>"), so that one left by a killed
  // process is recognised and removed by the next run in the folder.
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    std::string candidate = platform::TemporaryPathBeside(target);
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      close(fd);
      path_ = candidate;
    } else if (errno != EEXIST) {
      return;
    }
  }
}

TempFileBeside::~TempFileBeside() {
  if (!path_.empty()) unlink(path_.c_str());
}

bool TempFileBeside::MoveTo(const std::string& target) {
  if (path_.empty()) return false;
  struct stat st;
  // The file is private while it is written; a saved file gets the usual permissions.
  mode_t mode = 0666;
  if (stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode &= ~mask;
  }
  chmod(path_.c_str(), mode);
  // On disk before it takes the target's name: a crash then leaves the old file or the new one.
  if (!SyncFile(path_)) return false;
  if (std::rename(path_.c_str(), target.c_str()) != 0) return false;
  path_.clear();
  SyncFolderOf(target);
  return true;
}

bool SyncFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = ::fsync(fd) == 0;
  close(fd);
  return synced;
}

void SyncFolderOf(const std::string& path) {
  int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  close(fd);
}

TempDirectory::TempDirectory() {
  std::error_code ec;
  std::string base = std::filesystem::temp_directory_path(ec).string();
  if (ec) base = "/tmp";
  std::string pattern = base + "/fernclip-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data())) path_ = buffer.data();
}

TempDirectory::~TempDirectory() {
  if (path_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string LibraryFolder(const void* address) {
  Dl_info info{};
  if (!dladdr(address, &info) || !info.dli_fname) return {};
  std::error_code ec;
  auto full = std::filesystem::absolute(info.dli_fname, ec);
  if (ec) return {};
  std::string folder = full.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace qv::engine
