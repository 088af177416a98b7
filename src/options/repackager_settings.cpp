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

void RepackagerSettings::ReadProjectFile(const std::string& wrpPath) { projectFilePath_ = wrpPath; }

bool RepackagerSettings::Load(const std::string& settingsPath) {
  settingsFilePath_ = settingsPath;
  hasSettingsFile_ = !settingsPath.empty() && platform::FileExists(settingsPath);
  return hasSettingsFile_;
}

void PublishRepackagerSettings(std::shared_ptr<RepackagerSettings> settings) {
  Published() = std::move(settings);
}

std::shared_ptr<RepackagerSettings> CurrentRepackagerSettings() { return Published(); }

}  // namespace options
