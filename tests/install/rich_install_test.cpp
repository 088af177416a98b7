// A richer capture (tests/data/e2e/rich) converted by fernclip and installed by a real Windows
// Installer under Wine: files in Program Files, the system folder, the fonts folder, the common
// files folder and the user's profile, a versioned program, registry values of every type under
// HKLM, HKCU and HKCR, an INI file written entry by entry, deleted files and removed registry
// data, created folders and a program that the setup ran, carried in the package and run by it.
// Compressed through msiexec, and as an uncompressed image through its setup.exe.
#include <gtest/gtest.h>

#include <filesystem>

#include "installed_capture.h"
#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"
#include "wine_prefix.h"

namespace {

namespace fs = std::filesystem;
using winetest::RegistryValue;
using winetest::WinePrefix;

const char* const kApp = "C:\\Program Files (x86)\\Rich\\App\\";
const char* const kMarker = "C:\\rich-postinst.txt";  // written by the setup's program (Setup\postinst.exe)

void ExpectValues(const std::optional<WinePrefix::RegistryTree>& tree, const std::string& key,
                  const std::map<std::string, RegistryValue>& expected) {
  ASSERT_TRUE(tree && tree->count(key)) << "no key '" << key << "'";
  const auto& values = tree->at(key);
  for (const auto& [name, value] : expected) {
    ASSERT_TRUE(values.count(name)) << "key '" << key << "' has no value '" << name << "'";
    EXPECT_EQ(values.at(name).type, value.type) << key << " " << name;
    EXPECT_EQ(values.at(name).data, value.data) << key << " " << name;
  }
}

// The captured files that the package installs as files: the installer writes rich.ini entry by
// entry (IniFile rows) into whatever INI file the machine has.
std::map<std::string, std::string> FilesInstalledAsFiles(const std::string& script) {
  auto files = test_support::CapturedFiles(script);
  files.erase("ProgramFilesFolder/Rich/App/rich.ini");
  return files;
}

// Whether a key of the tree still holds a value of that name.
bool HasValue(const std::optional<WinePrefix::RegistryTree>& tree, const std::string& key, const std::string& name) {
  return tree && tree->count(key) && tree->at(key).count(name);
}

TEST(RichInstall, EveryCapturedChangeArrivesAndGoesAgain) {
  testenv::TempDir temp;
  const std::string script = test_support::CopyCapture("e2e/rich", temp / "rich");
  const auto run = test_support::RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.ValidatedWithoutErrors()) << run.out;
  const std::string package = temp / "rich/Rich App.msi";
  ASSERT_TRUE(fs::exists(package)) << run.out;

  std::string error;
  auto wine = WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  // What the setup removed on the capture machine, there before the install.
  testenv::WriteText(wine->HostPath("C:\\windows\\Temp\\rich-setup.tmp"), "old");
  testenv::WriteText(wine->HostPath(std::string(kApp) + "old-version.txt"), "2.0");
  ASSERT_EQ(wine->Run({"reg", "add", "HKLM\\Software\\Rich\\Old", "/v", "Stale", "/d", "1", "/f", "/reg:32"}), 0);
  ASSERT_EQ(wine->Run({"reg", "add", "HKCU\\Software\\Rich\\App", "/v", "Obsolete", "/d", "1", "/f"}), 0);

  ASSERT_EQ(wine->Install(package), 0);
  const auto captured = FilesInstalledAsFiles(script);
  ASSERT_EQ(captured.size(), 9u);
  winetest::ExpectCapturedFiles(*wine, captured, true);
  EXPECT_NE(testenv::ReadText(wine->HostPath(std::string(kApp) + "rich.ini")).find("Width=800"), std::string::npos);
  const std::string userFile = winetest::InstalledPathOf(*wine, "AppDataFolder/Rich/user.cfg");
  EXPECT_TRUE(fs::is_directory(wine->HostPath(std::string(kApp) + "Logs")));
  EXPECT_TRUE(fs::is_directory(wine->HostPath("C:\\ProgramData\\Rich\\Cache")));
  EXPECT_FALSE(fs::exists(wine->HostPath("C:\\windows\\Temp\\rich-setup.tmp")));
  EXPECT_FALSE(fs::exists(wine->HostPath(std::string(kApp) + "old-version.txt")));
  EXPECT_EQ(testenv::ReadText(wine->HostPath(kMarker)), "ran\n");

  const auto machine = wine->QueryTree("HKLM\\Software\\Rich", /*view32=*/true);
  ExpectValues(machine, "App",
               {{"", {"REG_SZ", "Rich App"}},
                {"InstallPath", {"REG_SZ", std::string(kApp)}},
                {"Count", {"REG_DWORD", "0x2a"}},
                {"Blob", {"REG_BINARY", "0001FEFF"}},
                {"Languages", {"REG_MULTI_SZ", "en\\0de"}},
                {"CachePath", {"REG_EXPAND_SZ", "%TEMP%\\rich"}},
                {"Pattern", {"REG_SZ", "{not a guid} [x]"}}});
  EXPECT_TRUE(machine && machine->count("App\\Plugins"));
  EXPECT_FALSE(machine && machine->count("Old"));
  const auto user = wine->QueryTree("HKCU\\Software\\Rich");
  ExpectValues(user, "App", {{"Theme", {"REG_SZ", "dark"}}, {"Recent", {"REG_MULTI_SZ", "a.rich"}}});
  EXPECT_FALSE(HasValue(user, "App", "Obsolete"));
  ExpectValues(wine->QueryTree("HKCR\\.rich", true), "", {{"", {"REG_SZ", "Rich.Document"}}});
  ExpectValues(wine->QueryTree("HKCR\\Rich.Document", true), "", {{"", {"REG_SZ", "Rich Document"}}});

  ASSERT_EQ(wine->Uninstall(package), 0);
  // The system folder's files are permanent (PermanentSystemFiles), and so is the data of
  // HKEY_CLASSES_ROOT, which other products may share.
  winetest::ExpectCapturedFiles(*wine, captured, false, {"SystemFolder/richrt.dll"});
  // The user's folder goes with the component that made it.
  EXPECT_FALSE(fs::exists(fs::path(userFile).parent_path()));
  EXPECT_FALSE(fs::exists(wine->HostPath(std::string(kApp) + "Logs")));
  EXPECT_FALSE(fs::exists(wine->HostPath("C:\\ProgramData\\Rich\\Cache")));
  const auto machineAfter = wine->QueryTree("HKLM\\Software\\Rich", true);
  EXPECT_FALSE(HasValue(machineAfter, "App", "Count"));
  EXPECT_FALSE(machineAfter && machineAfter->count("App\\Plugins"));
  EXPECT_FALSE(HasValue(wine->QueryTree("HKCU\\Software\\Rich"), "App", "Theme"));
  EXPECT_TRUE(HasValue(wine->QueryTree("HKCR\\.rich", true), "", ""));
}

// The capture converted through capture filters (see CopyFilteredRichCapture): what the lists
// exclude never reaches the machine, what they include back does, and removals they exclude
// leave the machine's data alone.
TEST(RichInstall, WhatTheCaptureFiltersExcludeNeverArrives) {
  testenv::TempDir temp;
  const std::string project = test_support::CopyFilteredRichCapture(temp / "rich");
  const auto run = test_support::RunFernclip({project}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.ValidatedWithoutErrors()) << run.out;
  const std::string package = temp / "rich/Rich App.msi";

  std::string error;
  auto wine = WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  testenv::WriteText(wine->HostPath("C:\\windows\\Temp\\rich-setup.tmp"), "old");
  ASSERT_EQ(wine->Run({"reg", "add", "HKCU\\Software\\Rich\\App", "/v", "Obsolete", "/d", "1", "/f"}), 0);
  ASSERT_EQ(wine->Install(package), 0);

  auto captured = FilesInstalledAsFiles(temp / "rich/rich.inc");
  for (const char* excluded : {"ProgramFilesFolder/Rich/App/Read Me First.txt", "CommonFilesFolder/Rich/user.cfg"}) {
    ASSERT_EQ(captured.erase(excluded), 1u) << excluded;
    const std::string installed = winetest::InstalledPathOf(*wine, excluded);
    EXPECT_TRUE(installed.empty() || !fs::exists(installed)) << excluded;
  }
  ASSERT_TRUE(captured.count("ProgramFilesFolder/Rich/App/notes.txt"));
  winetest::ExpectCapturedFiles(*wine, captured, true);
  EXPECT_EQ(testenv::ReadText(wine->HostPath("C:\\windows\\Temp\\rich-setup.tmp")), "old");

  const auto machine = wine->QueryTree("HKLM\\Software\\Rich", /*view32=*/true);
  ExpectValues(machine, "App", {{"Count", {"REG_DWORD", "0x2a"}}, {"Languages", {"REG_MULTI_SZ", "en\\0de"}}});
  EXPECT_FALSE(HasValue(machine, "App", "Blob"));
  const auto user = wine->QueryTree("HKCU\\Software\\Rich");
  ExpectValues(user, "App", {{"Recent", {"REG_MULTI_SZ", "a.rich"}}, {"Obsolete", {"REG_SZ", "1"}}});
  EXPECT_FALSE(HasValue(user, "App", "Theme"));
  const auto classes = wine->QueryTree("HKCR\\.rich", true);
  EXPECT_FALSE(classes && classes->count(""));

  ASSERT_EQ(wine->Uninstall(package), 0);
  winetest::ExpectCapturedFiles(*wine, captured, false, {"SystemFolder/richrt.dll"});
}

TEST(RichInstall, AnUncompressedImageInstallsThroughItsSetupExe) {
  testenv::TempDir temp;
  const std::string script = test_support::CopyCapture("e2e/rich", temp / "rich");
  test_support::SetGeneralOption(temp / "rich/options.ini", "BuildCompressed", "N");
  test_support::SetGeneralOption(temp / "rich/options.ini", "CreateSetupExe", "Y");
  const auto run = test_support::RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.ValidatedWithoutErrors()) << run.out;

  // The image: a folder named after the package with the package, setup.exe and every file
  // below the folders of the Directory table, long names.
  const std::string image = temp / "rich/Rich App";
  const std::string package = image + "/Rich App.msi";
  ASSERT_TRUE(fs::exists(package)) << run.out;
  ASSERT_TRUE(fs::exists(image + "/setup.exe")) << run.out;
  EXPECT_FALSE(fs::exists(temp / "rich/Rich App.msi"));
  std::string suminfo;
  ASSERT_EQ(test_support::RunCommand("msiinfo suminfo " + test_support::ShellQuote(package), &suminfo), 0);
  EXPECT_NE(suminfo.find("Source: 0 (0)"), std::string::npos) << suminfo;
  const auto captured = FilesInstalledAsFiles(script);
  auto inImage = test_support::FilesBelow(image);
  inImage.erase("Rich App.msi");
  inImage.erase("setup.exe");
  ASSERT_EQ(inImage.size(), captured.size());
  for (const auto& [path, bytes] : captured) {
    bool found = false;
    for (const auto& [imagePath, imageBytes] : inImage)
      found |= fs::path(imagePath).filename() == fs::path(path).filename() && imageBytes == bytes;
    EXPECT_TRUE(found) << path << " is not in the image";
  }

  std::string error;
  auto wine = WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  ASSERT_EQ(wine->Run({WinePrefix::WindowsPathOf(image + "/setup.exe"), "/qn"}), 0);
  winetest::ExpectCapturedFiles(*wine, captured, true);
  EXPECT_EQ(testenv::ReadText(wine->HostPath(kMarker)), "ran\n");
  ExpectValues(wine->QueryTree("HKLM\\Software\\Rich\\App", true), "",
               {{"CachePath", {"REG_EXPAND_SZ", "%TEMP%\\rich"}}});
  ASSERT_EQ(wine->Uninstall(package), 0);
  winetest::ExpectCapturedFiles(*wine, captured, false, {"SystemFolder/richrt.dll"});
}

}  // namespace
