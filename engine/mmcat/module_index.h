// The catalog's index: the merge modules of the search path's folders in search order, and
// their files by name.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "module_entry.h"

namespace qv::engine {

// What a look-up asks for. folder: the folder part of the captured file's path, or empty to
// accept any target folder.
struct FileQuery {
  std::string name;
  std::string language;
  std::string version;
  bool matchFolder = false;
  std::string folder;
};

class ModuleIndex {
 public:
  // Indexes the .msm files of each folder (not its subfolders), reading a module only when the
  // cache at cachePath (may be empty: no cache) has no entry of the same size and modification
  // time, and writes the cache back when something changed.
  void Build(const std::vector<std::string>& folders, const std::string& cachePath);

  // The first module in search order (folders in their order, then file names in byte order)
  // that carries a file matching the query; null when none does.
  const ModuleEntry* Find(const FileQuery& query) const;

  // "<module path>: <reason>" for each module that was skipped.
  const std::vector<std::string>& Problems() const { return problems_; }

 private:
  std::vector<ModuleEntry> modules_;
  // Lower-case long file name to (module, file) positions in search order.
  std::map<std::string, std::vector<std::pair<size_t, size_t>>> byName_;
  std::vector<std::string> problems_;
};

}  // namespace qv::engine
