#include "options/repackager_settings.h"

#include "platform/host_paths.h"
#include "platform/registry.h"

namespace options {

namespace {

std::shared_ptr<RepackagerSettings>& Published() {
  static std::shared_ptr<RepackagerSettings> settings;
  return settings;
}

// The folder that holds the registry stand-in file, without a trailing separator.
std::string ConfigurationFolder() {
  const std::string registry = platform::RegistryFilePath();
  const size_t separator = platform::LastSeparator(registry);
  if (separator == std::string::npos) return ".";
  return separator == 0 ? "/" : registry.substr(0, separator);
}

}  // namespace

std::string RepackagerSettings::SettingsFileForType(int type, const std::string& file) {
  if (type >= 1 && type <= 3)
    return ConfigurationFolder() + "/repackager/Repackager" + std::to_string(type) + ".ini";
  if (type == 4) return file;
  return std::string();
}

void RepackagerSettings::ReadProjectFile(const std::string& wrpPath) {
  projectFilePath_ = wrpPath;
  projectFilters_.Load(wrpPath);
}

bool RepackagerSettings::Load(const std::string& settingsPath) {
  settingsFilePath_ = settingsPath;
  hasSettingsFile_ = !settingsPath.empty() && platform::FileExists(settingsPath);
  if (hasSettingsFile_) settingsFilters_.Load(settingsPath);
  return hasSettingsFile_;
}

bool RepackagerSettings::IsKeyExcluded(FilterKind kind, std::string_view key) const {
  if (projectFilters_.IncludesKey(kind, key)) return false;
  if (projectFilters_.ExcludesKey(kind, key)) return true;
  if (settingsFilters_.IncludesKey(kind, key)) return false;
  return settingsFilters_.ExcludesKey(kind, key);
}

bool RepackagerSettings::IsItemExcluded(FilterKind kind, std::string_view key, std::string_view name) const {
  if (projectFilters_.IncludesItem(kind, key, name)) return false;
  if (IsKeyExcluded(kind, key) || projectFilters_.ExcludesItem(kind, key, name)) return true;
  return settingsFilters_.ExcludesItem(kind, key, name) && !settingsFilters_.IncludesItem(kind, key, name);
}

void PublishRepackagerSettings(std::shared_ptr<RepackagerSettings> settings) {
  Published() = std::move(settings);
}

std::shared_ptr<RepackagerSettings> CurrentRepackagerSettings() { return Published(); }

const RepackagerSettings* PublishedRepackagerSettings() { return Published().get(); }

}  // namespace options
