// The shared repackager settings: which repackager settings file applies to a run and which
// repackager project file (.wrp) it came from, and the capture filters read from them: the
// project set (the .wrp's include and exclude sections; empty for a bare capture script) and
// the settings set (those of the settings file). The project set takes precedence.
//
// Settings files by type (key "Type" of section "Configuration" of a .wrp; 2 for a bare
// capture script): types 1 to 3 are fixed files in the folder "repackager" beside the registry
// stand-in file ("Repackager1.ini" to "Repackager3.ini"); type 4 is the file named by key
// "File"; any other type names no settings file.
#pragma once

#include <memory>
#include <string>

#include "options/filter_set.h"

namespace options {

class RepackagerSettings {
 public:
  static constexpr int kDefaultType = 2;

  // The settings file of a type (see above); empty when the type names none.
  static std::string SettingsFileForType(int type, const std::string& file);

  // Reads the project set from a repackager project file.
  void ReadProjectFile(const std::string& wrpPath);
  // Reads the settings set from the settings file; false when it does not exist (its lists are
  // then empty).
  bool Load(const std::string& settingsPath);

  // Is a key of this kind (a registry key path, a folder) excluded? An include of the project
  // set, an exclude of the project set, an include of the settings set, an exclude of the
  // settings set: the first that applies decides.
  bool IsKeyExcluded(FilterKind kind, std::string_view key) const;
  // Is an item (a value name, a file name) under a key excluded? An item that the project set
  // includes is kept; an excluded key excludes its items; else an item is excluded when the
  // project set excludes it, or the settings set excludes and does not include it.
  bool IsItemExcluded(FilterKind kind, std::string_view key, std::string_view name) const;

  bool IsRegistryKeyExcluded(std::string_view key) const { return IsKeyExcluded(FilterKind::kRegistry, key); }
  bool IsDeletedRegistryKeyExcluded(std::string_view key) const {
    return IsKeyExcluded(FilterKind::kDeletedRegistry, key);
  }

  const FilterSet& ProjectFilters() const { return projectFilters_; }
  const FilterSet& SettingsFilters() const { return settingsFilters_; }

  const std::string& ProjectFilePath() const { return projectFilePath_; }
  const std::string& SettingsFilePath() const { return settingsFilePath_; }
  bool HasSettingsFile() const { return hasSettingsFile_; }

 private:
  std::string projectFilePath_;
  std::string settingsFilePath_;
  bool hasSettingsFile_ = false;
  FilterSet projectFilters_;
  FilterSet settingsFilters_;
};

// The process-wide instance, published by the front end before the conversion starts.
void PublishRepackagerSettings(std::shared_ptr<RepackagerSettings> settings);
std::shared_ptr<RepackagerSettings> CurrentRepackagerSettings();
// The published instance without a share of it (for the filters' many questions); null when none.
const RepackagerSettings* PublishedRepackagerSettings();

}  // namespace options
