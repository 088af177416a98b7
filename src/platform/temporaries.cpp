#include "platform/temporaries.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/host_paths.h"

namespace platform {

namespace {

// The process id in a temporary's name: "<name>.tmp<pid>.<n>" or "<name>.tmp<pid>.<n>.cabinets"
// (see TemporaryPathBeside); 0 for any other name.
pid_t OwnerOf(std::string name) {
  const std::string cabinets = ".cabinets";
  if (name.size() > cabinets.size() && name.compare(name.size() - cabinets.size(), cabinets.size(), cabinets) == 0)
    name.resize(name.size() - cabinets.size());
  auto digitsBefore = [&name](size_t end) {
    size_t begin = end;
    while (begin > 0 && name[begin - 1] >= '0' && name[begin - 1] <= '9') --begin;
    return begin;
  };
  const size_t counterAt = digitsBefore(name.size());
  if (counterAt == name.size() || counterAt < 2 || name[counterAt - 1] != '.') return 0;
  const size_t pidAt = digitsBefore(counterAt - 1);
  if (pidAt == counterAt - 1 || pidAt < 5 || name.compare(pidAt - 4, 4, ".tmp") != 0) return 0;
  const std::string digits = name.substr(pidAt, counterAt - 1 - pidAt);
  if (digits.size() > 9) return 0;
  return static_cast<pid_t>(std::stol(digits));
}

bool ProcessRuns(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

}  // namespace

int RemoveTemporaries(const std::string& folder, TemporaryOwner owner) {
  const std::string host = ResolveHostPath(folder);
  DIR* directory = ::opendir(host.empty() ? "." : host.c_str());
  if (!directory) return 0;
  std::vector<std::string> doomed;
  while (const dirent* entry = ::readdir(directory)) {
    const pid_t pid = OwnerOf(entry->d_name);
    if (pid <= 0) continue;
    const bool ours = pid == ::getpid();
    if (owner == TemporaryOwner::kThisProcess ? ours : !ours && !ProcessRuns(pid)) doomed.push_back(entry->d_name);
  }
  ::closedir(directory);
  int removed = 0;
  for (const std::string& name : doomed) {
    std::error_code ignored;
    if (std::filesystem::remove_all(std::filesystem::path(host) / name, ignored) > 0) ++removed;
  }
  return removed;
}

}  // namespace platform
