#include "options/filter_set.h"

namespace options {

namespace {

constexpr std::string_view kEveryKey = "*";
constexpr std::string_view kEveryName = "*.*";

// Where the file-like kinds' folder keys need the folder form; registry keys are taken as they are.
std::string KeyOfKind(bool registryKind, std::string_view key) {
  return registryKind ? std::string(key) : FilterSet::NormalizedFolderKey(key);
}

}  // namespace

FilterSet::FilterSet()
    : lists_{{{FilterList("File-Excludes"), FilterList("File-Includes")},
              {FilterList("Registry-Excludes"), FilterList("Registry-Includes")},
              {FilterList("Ini-Excludes"), FilterList("Ini-Includes")},
              {FilterList("Shortcut-Excludes"), FilterList("Shortcut-Includes")},
              {FilterList("DeletedFile-Excludes"), FilterList("DeletedFile-Includes")},
              {FilterList("DeletedRegistry-Excludes"), FilterList("DeletedRegistry-Includes")}}} {}

void FilterSet::Load(const std::string& profilePath) {
  for (Lists& lists : lists_) {
    lists.excludes.Load(profilePath);
    lists.includes.Load(profilePath);
  }
}

std::string FilterSet::NormalizedFolderKey(std::string_view folder) {
  std::string key(folder);
  if (!key.empty() && key.front() == '[') {
    const size_t close = key.find(']');
    if (close != std::string::npos) {
      std::string rest = key.substr(close + 1);
      if (!rest.empty() && rest.front() == '\\') rest.erase(0, 1);
      key = "%" + key.substr(1, close - 1) + "%\\" + rest;
    }
  }
  if (!key.empty() && key.back() == '\\') key.pop_back();
  return key;
}

bool FilterSet::KeyTest(const FilterList& list, std::string_view key) {
  return !list.IsEmpty() && (list.ContainsKey(key) || list.MatchName(key, kEveryName));
}

// The lists are asked for every value of a capture, and most are empty: the key is put in its
// listed form only for a list that holds something.
bool FilterSet::ExcludesKey(FilterKind kind, std::string_view key) const {
  const FilterList& excludes = Excludes(kind);
  return !excludes.IsEmpty() && KeyTest(excludes, KeyOfKind(IsRegistryKind(kind), key));
}

bool FilterSet::IncludesKey(FilterKind kind, std::string_view key) const {
  const FilterList& includes = Includes(kind);
  return !includes.IsEmpty() && KeyTest(includes, KeyOfKind(IsRegistryKind(kind), key));
}

bool FilterSet::ExcludesItem(FilterKind kind, std::string_view key, std::string_view name) const {
  const FilterList& excludes = Excludes(kind);
  if (excludes.IsEmpty()) return false;
  return excludes.MatchName(KeyOfKind(IsRegistryKind(kind), key), name) || excludes.MatchName(kEveryKey, name);
}

bool FilterSet::IncludesItem(FilterKind kind, std::string_view key, std::string_view name) const {
  const FilterList& includes = Includes(kind);
  if (includes.IsEmpty()) return false;
  const std::string listedKey = KeyOfKind(IsRegistryKind(kind), key);
  std::string pattern;
  if (!includes.MatchName(listedKey, name, &pattern)) return false;
  if (IsRegistryKind(kind)) return true;
  return platform::EqualsNoCase(pattern, name) || !Excludes(kind).HoldsPattern(listedKey, name);
}

}  // namespace options
