// One set of capture filters: an include list and an exclude list for each kind of captured
// item, read from the sections of one profile file (a repackager project file or a repackager
// settings file).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "options/filter_list.h"

namespace options {

enum class FilterKind { kFiles, kRegistry, kIniFiles, kShortcuts, kDeletedFiles, kDeletedRegistry };

class FilterSet {
 public:
  FilterSet();

  // Every list reads its section of the file.
  void Load(const std::string& profilePath);

  const FilterList& Excludes(FilterKind kind) const { return lists_[Index(kind)].excludes; }
  const FilterList& Includes(FilterKind kind) const { return lists_[Index(kind)].includes; }
  FilterList& Excludes(FilterKind kind) { return lists_[Index(kind)].excludes; }
  FilterList& Includes(FilterKind kind) { return lists_[Index(kind)].includes; }

  // A key (a registry key path, a folder): listed whole, below a whole key, or listed with "*.*".
  bool ExcludesKey(FilterKind kind, std::string_view key) const;
  bool IncludesKey(FilterKind kind, std::string_view key) const;
  // An item (a value name, a file name) under a key. A pattern listed under the key "*" of an
  // exclude list applies under every key.
  bool ExcludesItem(FilterKind kind, std::string_view key, std::string_view name) const;
  // For the registry kinds, a matching include pattern; for the kinds of files, folders, links
  // and INI files, an exact name in the exclude list beats a wildcard pattern of the include
  // list.
  bool IncludesItem(FilterKind kind, std::string_view key, std::string_view name) const;

  // The form in which the kinds of files, folders, links and INI files list their keys:
  // "[WindowsFolder]Temp\" is "%WindowsFolder%\Temp".
  static std::string NormalizedFolderKey(std::string_view folder);

 private:
  struct Lists {
    FilterList excludes;
    FilterList includes;
  };
  static size_t Index(FilterKind kind) { return static_cast<size_t>(kind); }
  static bool IsRegistryKind(FilterKind kind) {
    return kind == FilterKind::kRegistry || kind == FilterKind::kDeletedRegistry;
  }
  static bool KeyTest(const FilterList& list, std::string_view key);

  std::array<Lists, 6> lists_;
};

}  // namespace options
