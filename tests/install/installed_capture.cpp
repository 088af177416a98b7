#include "installed_capture.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_env.h"

namespace winetest {

namespace fs = std::filesystem;

namespace {

// Where a 32-bit package puts the installer's folders on a 64-bit Wine machine.
const std::map<std::string, std::string>& MachineFolders() {
  static const std::map<std::string, std::string> folders = {
      {"ProgramFilesFolder", "C:\\Program Files (x86)\\"},
      {"CommonFilesFolder", "C:\\Program Files (x86)\\Common Files\\"},
      {"SystemFolder", "C:\\windows\\syswow64\\"},
      {"WindowsFolder", "C:\\windows\\"},
      {"FontsFolder", "C:\\windows\\Fonts\\"},
      {"CommonAppDataFolder", "C:\\ProgramData\\"},
  };
  return folders;
}

// The user's own folders, below C:\users\<name>.
const std::map<std::string, std::string>& ProfileFolders() {
  static const std::map<std::string, std::string> folders = {
      {"AppDataFolder", "AppData/Roaming/"},
      {"LocalAppDataFolder", "AppData/Local/"},
      {"PersonalFolder", "Documents/"},
      {"DesktopFolder", "Desktop/"},
  };
  return folders;
}

}  // namespace

std::string InstalledPathOf(const WinePrefix& wine, const std::string& capturedPath) {
  const size_t slash = capturedPath.find('/');
  const std::string folder = capturedPath.substr(0, slash), rest = capturedPath.substr(slash + 1);
  if (auto machine = MachineFolders().find(folder); machine != MachineFolders().end()) {
    std::string windowsPath = machine->second + rest;
    for (char& c : windowsPath)
      if (c == '/') c = '\\';
    return wine.HostPath(windowsPath);
  }
  auto profile = ProfileFolders().find(folder);
  if (profile == ProfileFolders().end()) return {};
  std::error_code ignored;
  for (const auto& user : fs::directory_iterator(wine.HostPath("C:\\users"), ignored)) {
    const fs::path candidate = user.path() / (profile->second + rest);
    if (fs::exists(candidate)) return candidate.string();
  }
  return {};
}

void ExpectCapturedFiles(const WinePrefix& wine, const std::map<std::string, std::string>& captured, bool present,
                         const std::set<std::string>& staying) {
  for (const auto& [path, bytes] : captured) {
    const std::string installed = InstalledPathOf(wine, path);
    if (present || staying.count(path)) {
      ASSERT_FALSE(installed.empty()) << path << " was not installed";
      EXPECT_TRUE(testenv::ReadText(installed) == bytes) << path << " arrived with other bytes";
    } else {
      EXPECT_TRUE(installed.empty() || !fs::exists(installed)) << path << " is still there";
    }
  }
}

}  // namespace winetest
