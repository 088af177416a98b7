#include "platform/host_paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

#include "platform/text.h"

namespace platform {

namespace {

bool StatPath(const std::string& path, struct stat* info) {
  return !path.empty() && ::stat(path.c_str(), info) == 0;
}

// Directory listings for matching names without regard to case. A listing is reused while the
// directory's change time stays the same, so resolving many files of one folder reads the folder
// once instead of once per file.
class DirectoryListings {
 public:
  // The name in directory that equals name without regard to case (the first in byte order when
  // several do), or empty.
  std::string Match(const std::string& directory, const std::string& name) {
    // A capture's files are checked on several threads.
    const std::lock_guard<std::mutex> lock(mutex_);
    struct stat info;
    if (!StatPath(directory, &info) || !S_ISDIR(info.st_mode)) return std::string();
    Listing& listing = listings_[directory];
    if (!listing.valid || listing.mtime.tv_sec != info.st_mtim.tv_sec ||
        listing.mtime.tv_nsec != info.st_mtim.tv_nsec || listing.inode != info.st_ino) {
      Read(directory, &listing);
      listing.mtime = info.st_mtim;
      listing.inode = info.st_ino;
    }
    auto found = listing.byFoldedName.find(ToLower(name));
    return found == listing.byFoldedName.end() ? std::string() : found->second;
  }

 private:
  struct Listing {
    bool valid = false;
    timespec mtime{};
    ino_t inode = 0;
    std::map<std::string, std::string> byFoldedName;
  };

  static void Read(const std::string& directory, Listing* listing) {
    listing->byFoldedName.clear();
    listing->valid = true;
    DIR* handle = ::opendir(directory.c_str());
    if (!handle) {
      listing->valid = false;
      return;
    }
    while (const dirent* entry = ::readdir(handle)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      auto [it, inserted] = listing->byFoldedName.emplace(ToLower(name), name);
      if (!inserted && name < it->second) it->second = name;
    }
    ::closedir(handle);
  }

  std::mutex mutex_;
  std::map<std::string, Listing> listings_;
};

DirectoryListings& Listings() {
  static DirectoryListings listings;
  return listings;
}

std::string WithSlashes(const std::string& path) {
  std::string result = path;
  for (char& c : result)
    if (c == '\\') c = '/';
  return result;
}

}  // namespace

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

std::string ResolveHostPath(const std::string& path) {
  const std::string host = WithSlashes(path);
  struct stat info;
  if (host.empty() || ::lstat(host.c_str(), &info) == 0) return host;

  // Walk the components; keep each one that exists as written, otherwise take the entry that
  // matches it without regard to case. Once a component is missing, the rest stays as given.
  std::string resolved = host[0] == '/' ? "/" : "";  // empty or ending in '/'
  bool missing = false;
  size_t start = 0;
  while (start < host.size()) {
    size_t end = host.find('/', start);
    if (end == std::string::npos) end = host.size();
    std::string component = host.substr(start, end - start);
    start = end + 1;
    if (component.empty()) continue;  // doubled separators
    if (!missing && component != "." && component != ".." &&
        ::lstat((resolved + component).c_str(), &info) != 0) {
      const std::string match = Listings().Match(resolved.empty() ? "." : resolved, component);
      if (match.empty())
        missing = true;
      else
        component = match;
    }
    resolved += component;
    if (end < host.size()) resolved += '/';
  }
  return resolved;
}

std::string FullPath(const std::string& path) {
  std::string host = WithSlashes(path);
  if (host.empty()) return host;
  if (host[0] != '/') host = CurrentDirectory() + "/" + host;
  // Lexical clean-up, as GetFullPathName does: no empty, "." or ".." components.
  std::vector<std::string> parts;
  size_t start = 1;
  while (start <= host.size()) {
    size_t end = host.find('/', start);
    if (end == std::string::npos) end = host.size();
    const std::string part = host.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  if (result.empty()) result = "/";
  if (host.size() > 1 && host.back() == '/' && result != "/") result += '/';
  return result;
}

namespace {

// Appends the parts of a relative path to an absolute one, ".." going up a level.
std::string AppendCleaned(std::string base, const std::string& rest) {
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('/', start);
    if (end == std::string::npos) end = rest.size();
    const std::string part = rest.substr(start, end - start);
    if (part == "..") {
      const size_t slash = base.rfind('/');
      base.erase(slash == 0 ? 1 : slash);
    } else if (!part.empty() && part != ".") {
      if (base.back() != '/') base += '/';
      base += part;
    }
    start = end + 1;
  }
  return base;
}

}  // namespace

std::string RealPath(const std::string& path) {
  std::string host = ResolveHostPath(path);
  if (host.empty()) return host;
  if (host[0] != '/') host = CurrentDirectory() + "/" + host;
  // The longest beginning that exists is resolved by the file system, the rest as text.
  size_t cut = host.size();
  for (;;) {
    const std::string head = host.substr(0, cut);
    char resolved[PATH_MAX];
    if (::realpath(head.empty() ? "/" : head.c_str(), resolved))
      return cut >= host.size() ? std::string(resolved) : AppendCleaned(resolved, host.substr(cut + 1));
    if (cut == 0) return std::string();
    const size_t slash = host.rfind('/', cut - 1);
    cut = slash == std::string::npos ? 0 : slash;
  }
}

bool LiesInside(const std::string& path, const std::string& folder) {
  const std::string real = RealPath(path);
  std::string realFolder = RealPath(folder);
  if (real.empty() || realFolder.empty()) return false;
  if (realFolder.back() != '/') realFolder += '/';
  return real + '/' == realFolder || real.starts_with(realFolder);
}

FolderBoundary::FolderBoundary(const std::string& folder) : realFolder_(RealPath(folder)) {
  if (!realFolder_.empty() && realFolder_.back() != '/') realFolder_ += '/';
}

namespace {

FileKind KindOfMode(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kDirectory;
  return FileKind::kOther;
}

}  // namespace

bool FolderBoundary::Contains(const std::string& hostPath, FileKind* kind) {
  if (realFolder_.empty() || hostPath.empty()) return false;
  std::string host = hostPath;
  if (host[0] != '/') host = CurrentDirectory() + "/" + host;
  const size_t slash = host.rfind('/');
  const std::string leaf = host.substr(slash + 1);
  std::string real;
  struct stat info;
  bool kindKnown = false;
  // The real path of a plain name is its real folder's and the name; a link (or "." and "..")
  // is resolved as a whole.
  const bool special = leaf.empty() || leaf == "." || leaf == "..";
  const bool exists = !special && ::lstat(host.c_str(), &info) == 0;
  if (special || (exists && S_ISLNK(info.st_mode))) {
    real = RealPath(host);
  } else {
    const auto [parent, added] = realParents_.try_emplace(slash == 0 ? std::string("/") : host.substr(0, slash));
    if (added) parent->second = RealPath(parent->first);
    if (parent->second.empty()) return false;
    real = parent->second + (parent->second.back() == '/' ? "" : "/") + leaf;
    // What the path names is what lstat saw: it is no link. A capture's check asks this of every
    // file, so the second look-up is saved.
    if (kind) *kind = exists ? KindOfMode(info.st_mode) : FileKind::kMissing;
    kindKnown = true;
  }
  const bool inside = !real.empty() && (real + '/' == realFolder_ || real.starts_with(realFolder_));
  if (inside && kind && !kindKnown) *kind = KindOfHostPath(hostPath);
  return inside;
}

FileKind KindOf(const std::string& path) { return KindOfHostPath(ResolveHostPath(path)); }

FileKind KindOfHostPath(const std::string& hostPath) {
  struct stat info;
  return StatPath(hostPath, &info) ? KindOfMode(info.st_mode) : FileKind::kMissing;
}

bool FileExists(const std::string& path) {
  struct stat info;
  return StatPath(ResolveHostPath(path), &info) && S_ISREG(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat info;
  return StatPath(ResolveHostPath(path), &info) && S_ISDIR(info.st_mode);
}

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  if (!::getcwd(buffer, sizeof buffer)) return std::string();
  return buffer;
}

bool SetCurrentDirectory(const std::string& path) {
  return !path.empty() && ::chdir(ResolveHostPath(path).c_str()) == 0;
}

std::string ProgramPath() {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return std::string();
  return std::string(buffer, static_cast<size_t>(length));
}

std::string ProgramFolder() {
  const std::string program = ProgramPath();
  const size_t separator = LastSeparator(program);
  if (separator == std::string::npos) return std::string();
  if (separator == 0) return "/";
  return program.substr(0, separator);
}

bool CreateDirectories(const std::string& path) {
  const std::string host = ResolveHostPath(path);
  if (host.empty()) return false;
  for (size_t i = 1; i <= host.size(); ++i) {
    if (i == host.size() || host[i] == '/') {
      const std::string prefix = host.substr(0, i);
      if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat info;
  return StatPath(host, &info) && S_ISDIR(info.st_mode);
}

bool ReadFileStart(const std::string& hostPath, size_t count, std::string* bytes) {
  // Without O_NONBLOCK, opening a FIFO would wait for a writer for ever.
  const int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info;
  bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  if (read) {
    bytes->assign(count, '\0');
    ssize_t got;
    do got = ::read(fd, bytes->data(), count);
    while (got < 0 && errno == EINTR);
    read = got >= 0;
    bytes->resize(read ? static_cast<size_t>(got) : 0);
  }
  ::close(fd);
  return read;
}

bool ReadFile(const std::string& path, std::string* contents) {
  const std::string host = ResolveHostPath(path);
  // Without O_NONBLOCK, opening a FIFO would wait for a writer for ever.
  const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  std::string data;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (got == 0) break;
    data.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  *contents = std::move(data);
  return true;
}

std::string TemporaryPathBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::string host = ResolveHostPath(path);
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".tmp%ld.%u", static_cast<long>(::getpid()),
                counter.fetch_add(1) + 1);
  std::string candidate = host + suffix;
  struct stat info;
  while (::lstat(candidate.c_str(), &info) == 0) {
    std::snprintf(suffix, sizeof suffix, ".tmp%ld.%u", static_cast<long>(::getpid()),
                  counter.fetch_add(1) + 1);
    candidate = host + suffix;
  }
  return candidate;
}

namespace {

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Creates a temporary file beside target, lets fill write it, and renames it over target. The
// target is either the old or the new file, never a half-written one.
template <class Fill>
bool ReplaceAtomically(const std::string& path, Fill fill) {
  std::string host = ResolveHostPath(path);
  if (host.empty()) return false;
  // A symbolic link stays a link: the file it points to is replaced.
  char target[PATH_MAX];
  struct stat linkInfo;
  if (::lstat(host.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode) && ::realpath(host.c_str(), target))
    host = target;
  const std::string temporary = TemporaryPathBeside(host);
  // Keep the permissions of the file being replaced.
  mode_t mode = 0666;
  struct stat info;
  if (::stat(host.c_str(), &info) == 0) mode = info.st_mode & 07777;
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return false;
  bool ok = fill(fd);
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temporary.c_str(), host.c_str()) != 0) ok = false;
  if (!ok) {
    const int saved = errno;
    ::unlink(temporary.c_str());
    errno = saved;
  }
  return ok;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& contents) {
  return ReplaceAtomically(path,
                           [&contents](int fd) { return WriteAll(fd, contents.data(), contents.size()); });
}

bool CopyFile(const std::string& from, const std::string& to) {
  const int source = ::open(ResolveHostPath(from).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (source < 0) return false;
  struct stat info;
  if (::fstat(source, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(source);
    return false;
  }
  const bool ok = ReplaceAtomically(to, [source](int target) {
    char buffer[65536];
    for (;;) {
      const ssize_t got = ::read(source, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return false;
      if (got == 0) return true;
      if (!WriteAll(target, buffer, static_cast<size_t>(got))) return false;
    }
  });
  ::close(source);
  return ok;
}

bool RemoveFile(const std::string& path) {
  const std::string host = ResolveHostPath(path);
  return !host.empty() && ::unlink(host.c_str()) == 0;
}

bool MoveIntoPlace(const std::string& from, const std::string& to) {
  const std::string source = ResolveHostPath(from);
  const std::string target = ResolveHostPath(to);
  if (source.empty() || target.empty()) return false;
  struct stat info;
  mode_t mode = 0;
  if (::stat(target.c_str(), &info) == 0) {
    mode = info.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::chmod(source.c_str(), mode) != 0 || ::rename(source.c_str(), target.c_str()) != 0) return false;
  // The new name on disk too, before the run reports it.
  const size_t separator = LastSeparator(target);
  const std::string folder = separator == std::string::npos ? "." : separator == 0 ? "/" : target.substr(0, separator);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
}

bool RenameFile(const std::string& from, const std::string& to) {
  const std::string source = ResolveHostPath(from);
  const std::string target = ResolveHostPath(to);
  return !source.empty() && !target.empty() && ::rename(source.c_str(), target.c_str()) == 0;
}

}  // namespace platform
