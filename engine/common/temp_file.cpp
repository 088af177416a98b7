#include "temp_file.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace qv::engine {

std::string FolderOf(const std::string& path) {
  size_t cut = path.find_last_of("/\\");
  if (cut == std::string::npos) return ".";
  if (cut == 0) return "/";
  return path.substr(0, cut);
}

TempFileBeside::TempFileBeside(const std::string& target) {
  size_t cut = target.find_last_of("/\\");
  std::string name = cut == std::string::npos ? target : target.substr(cut + 1);
  std::string pattern = FolderOf(target) + "/." + name + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  int fd = mkstemp(buffer.data());
  if (fd < 0) return;
  close(fd);
  path_ = buffer.data();
}

TempFileBeside::~TempFileBeside() {
  if (!path_.empty()) unlink(path_.c_str());
}

bool TempFileBeside::MoveTo(const std::string& target) {
  if (path_.empty()) return false;
  struct stat st;
  // mkstemp makes the file private; a saved file gets the usual permissions.
  mode_t mode = 0666;
  if (stat(target.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode &= ~mask;
  }
  chmod(path_.c_str(), mode);
  if (std::rename(path_.c_str(), target.c_str()) != 0) return false;
  path_.clear();
  return true;
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
