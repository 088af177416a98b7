#include "module_index.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "index_cache.h"
#include "platform/host_paths.h"
#include "platform/text.h"

namespace qv::engine {

namespace fs = std::filesystem;

namespace {

// The .msm files of a folder, by file name in byte order.
std::vector<fs::path> ModulesIn(const std::string& folder) {
  std::vector<fs::path> modules;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    // Only regular files: a FIFO named *.msm would block the reader.
    if (!platform::EqualsNoCase(path.extension().string(), ".msm") || !it->is_regular_file(error)) continue;
    modules.push_back(path);
  }
  std::sort(modules.begin(), modules.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
  return modules;
}

// "1033" matches a module file language "0", "" or a list holding 1033; an empty captured
// language matches any.
bool LanguageMatches(const std::string& moduleLanguages, const std::string& language) {
  if (language.empty() || moduleLanguages.empty()) return true;
  size_t start = 0;
  while (start <= moduleLanguages.size()) {
    size_t comma = moduleLanguages.find(',', start);
    if (comma == std::string::npos) comma = moduleLanguages.size();
    const std::string one = platform::Trim(moduleLanguages.substr(start, comma - start));
    if (one == "0" || one == language) return true;
    start = comma + 1;
  }
  return false;
}

// The components of a folder path split at '/', '\' and the brackets of a folder property
// ("[SystemFolder]" and "/cap/SystemFolder" both give "SystemFolder").
std::vector<std::string> FolderComponents(const std::string& folder) {
  std::vector<std::string> components;
  std::string current;
  for (char c : folder) {
    if (c == '/' || c == '\\' || c == '[' || c == ']') {
      if (!current.empty()) components.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) components.push_back(current);
  return components;
}

// The module's folder (a standard folder and the folders below it) must be the end of the
// captured folder: "/cap/SystemFolder" and "[SystemFolder]" agree with "SystemFolder".
bool FolderMatches(const std::string& moduleFolder, const std::string& capturedFolder) {
  if (moduleFolder.empty()) return false;
  const std::vector<std::string> wanted = FolderComponents(moduleFolder);
  const std::vector<std::string> captured = FolderComponents(capturedFolder);
  if (wanted.size() > captured.size()) return false;
  return std::equal(wanted.rbegin(), wanted.rend(), captured.rbegin(),
                    [](const std::string& a, const std::string& b) { return platform::EqualsNoCase(a, b); });
}

}  // namespace

void ModuleIndex::Build(const std::vector<std::string>& folders, const std::string& cachePath) {
  modules_.clear();
  byName_.clear();
  problems_.clear();
  ModuleEntries cache = LoadIndexCache(cachePath);
  bool changed = false;
  std::set<std::string> seenFolders, seenModules;
  for (const std::string& folder : folders) {
    std::error_code error;
    const std::string real = fs::weakly_canonical(platform::ResolveHostPath(folder), error).string();
    if (error || !seenFolders.insert(real).second) continue;
    for (const fs::path& module : ModulesIn(real)) {
      const std::string path = module.string();
      if (!seenModules.insert(path).second) continue;
      ModuleEntry current;
      current.path = path;
      current.size = fs::file_size(module, error);
      if (error) continue;
      const auto time = fs::last_write_time(module, error);
      if (error) continue;
      current.modified = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
      auto cached = cache.find(path);
      if (cached != cache.end() && cached->second.size == current.size && cached->second.modified == current.modified) {
        current = cached->second;
      } else {
        ReadModule(path, &current);
        cache[path] = current;
        changed = true;
      }
      if (!current.problem.empty()) {
        problems_.push_back(path + ": " + current.problem);
        continue;
      }
      for (size_t file = 0; file < current.files.size(); ++file)
        byName_[platform::ToLower(current.files[file].longName)].emplace_back(modules_.size(), file);
      modules_.push_back(std::move(current));
    }
  }
  // Entries of modules that are gone are dropped; those of other folders stay for other
  // search paths.
  for (auto it = cache.begin(); it != cache.end();) {
    std::error_code error;
    if (!fs::is_regular_file(it->first, error)) {
      it = cache.erase(it);
      changed = true;
    } else {
      ++it;
    }
  }
  if (changed) SaveIndexCache(cachePath, cache);
}

const ModuleEntry* ModuleIndex::Find(const FileQuery& query) const {
  auto found = byName_.find(platform::ToLower(query.name));
  if (found == byName_.end()) return nullptr;
  const std::string version = NormalizedVersion(query.version);
  for (const auto& [module, file] : found->second) {
    const ModuleFile& candidate = modules_[module].files[file];
    if (candidate.version != version) continue;
    if (!LanguageMatches(candidate.language, query.language)) continue;
    if (query.matchFolder && !FolderMatches(candidate.folder, query.folder)) continue;
    return &modules_[module];
  }
  return nullptr;
}

}  // namespace qv::engine
