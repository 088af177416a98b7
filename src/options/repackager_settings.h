// The shared repackager settings: which repackager settings file applies to a run and which
// repackager project file (.wrp) it came from. The capture filters read their include and
// exclude lists from these two files.
//
// Settings files by type (key "Type" of section "Configuration" of a .wrp; 2 for a bare
// capture script): types 1 to 3 are fixed files in the folder "repackager" beside the registry
// stand-in file ("Repackager1.ini" to "Repackager3.ini"); type 4 is the file named by key
// "File"; any other type names no settings file.
#pragma once

#include <memory>
#include <string>

namespace options {

class RepackagerSettings {
 public:
  static constexpr int kDefaultType = 2;

  // The settings file of a type (see above); empty when the type names none.
  static std::string SettingsFileForType(int type, const std::string& file);

  // Remembers the repackager project file whose sections the filters read.
  void ReadProjectFile(const std::string& wrpPath);
  // Remembers the settings file; false when it does not exist (its lists are then empty).
  bool Load(const std::string& settingsPath);

  const std::string& ProjectFilePath() const { return projectFilePath_; }
  const std::string& SettingsFilePath() const { return settingsFilePath_; }
  bool HasSettingsFile() const { return hasSettingsFile_; }

 private:
  std::string projectFilePath_;
  std::string settingsFilePath_;
  bool hasSettingsFile_ = false;
};

// The process-wide instance, published by the front end before the conversion starts.
void PublishRepackagerSettings(std::shared_ptr<RepackagerSettings> settings);
std::shared_ptr<RepackagerSettings> CurrentRepackagerSettings();

}  // namespace options
