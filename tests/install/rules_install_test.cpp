// A capture of what real setups do that trips over the installer's own rules
// (tests/data/e2e/rules), converted by fernclip: the package keeps those rules, and a real
// Windows Installer under Wine installs every file and value where the capture had it and
// removes them again.
#include <gtest/gtest.h>

#include <filesystem>

#include "installed_capture.h"
#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"
#include "wine_prefix.h"

namespace {

namespace fs = std::filesystem;
using test_support::Rows;
using test_support::RowWithKey;
using winetest::RegistryValue;
using winetest::WinePrefix;

bool HasRowWhere(const Rows& rows, size_t column, const std::string& value) {
  for (const auto& row : rows)
    if (row.size() > column && row[column] == value) return true;
  return false;
}

// The package as the installer's rules want it.
void ExpectPackageRules(const std::string& package, const test_support::FernclipRun& run) {
  // No Directory key is a property the installer sets itself.
  const Rows directories = test_support::DumpTable(package, "Directory");
  for (const char* property : {"Time", "Intel"}) EXPECT_TRUE(RowWithKey(directories, property).empty()) << property;
  EXPECT_TRUE(HasRowWhere(directories, 2, "Time"));

  // Short names are unique in their folder, whatever the length of the long name.
  const Rows files = test_support::DumpTable(package, "File");
  std::map<std::string, std::string> fileNames;
  for (const auto& row : files) fileNames[row.at(0)] = row.at(2);
  EXPECT_EQ(fileNames["index.htm"], "index.htm");
  EXPECT_EQ(fileNames["index.html"], "index~1.htm|index.html");
  EXPECT_EQ(fileNames["normal.dotx"], "Normal~1.dot|Normal.dotx");
  EXPECT_EQ(fileNames["normal.dotm"], "Normal~2.dot|Normal.dotm");
  EXPECT_EQ(fileNames["myfile.txt"], "MyFile~1.txt|My File.txt");
  EXPECT_EQ(fileNames["myfile.txt1"], "MyFile.txt");

  // Data of the current user and of the desktop has a key path under HKEY_CURRENT_USER.
  const Rows components = test_support::DumpTable(package, "Component");
  const Rows registry = test_support::DumpTable(package, "Registry");
  for (const char* component : {"RegistryData_User", "Folder_DesktopFolder"}) {
    const auto row = RowWithKey(components, component);
    ASSERT_FALSE(row.empty()) << component;
    EXPECT_EQ(std::stoi(row.at(3)) & 4, 4) << component;
    EXPECT_EQ(RowWithKey(registry, row.at(5)).at(1), "1") << component;
  }

  // The feature with a folder has its Directory key; features whose keys collide stay two.
  const Rows features = test_support::DumpTable(package, "Feature");
  EXPECT_TRUE(HasRowWhere(features, 2, "Main"));
  EXPECT_TRUE(HasRowWhere(features, 2, "Other"));
  for (const auto& row : features) EXPECT_FALSE(RowWithKey(directories, row.at(6)).empty()) << row.at(0);

  // The font resource file is registered under its face name; a program is no self-registering file.
  EXPECT_EQ(test_support::DumpTable(package, "Font"), (Rows{{"rules.fon", "Rules Sans"}}));
  EXPECT_TRUE(test_support::DumpTable(package, "SelfReg").empty());
  // The installer's messages have their dialog.
  EXPECT_EQ(test_support::DumpProperties(package)["ErrorDialog"], "ErrorDlg");
  const Rows dialogs = test_support::DumpTable(package, "Dialog");
  for (const char* dialog : {"ErrorDlg", "FilesInUse"}) EXPECT_FALSE(RowWithKey(dialogs, dialog).empty()) << dialog;

  for (const char* warned : {"ProgramFilesFolder\\Rules64\\wide.txt", "ProgramFilesFolder\\Rules\\tool.exe",
                             "The path 'C:\\Program Files\\Demo' appears to be a machine-specific path"})
    EXPECT_NE(run.out.find(warned), std::string::npos) << warned << "\n" << run.out;
}

// The folder of that name below any user's temporary folder or the Windows temporary folder.
bool TempFolderExists(WinePrefix& wine, const std::string& name) {
  if (fs::is_directory(wine.HostPath("C:\\windows\\temp\\" + name))) return true;
  std::error_code ignored;
  for (const auto& user : fs::directory_iterator(wine.HostPath("C:\\users"), ignored))
    for (const char* temp : {"Temp", "AppData/Local/Temp"})
      if (fs::is_directory(user.path() / temp / name)) return true;
  return false;
}

TEST(RulesInstall, EveryCapturedChangeLandsWhereTheCaptureHadIt) {
  testenv::TempDir temp;
  const std::string script = test_support::CopyCapture("e2e/rules", temp / "rules");
  const auto run = test_support::RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.ValidatedWithoutErrors()) << run.out;
  const std::string package = temp / "rules/Rules App.msi";
  ASSERT_TRUE(fs::exists(package)) << run.out;
  ExpectPackageRules(package, run);

  std::string error;
  auto wine = WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  ASSERT_EQ(wine->Install(package), 0);
  // Folders named like properties that the installer sets itself (Time, Intel) are folders; the
  // Windows folder's Fonts is the fonts folder; the 64-bit folder's file is in the 32-bit one.
  const auto captured = test_support::CapturedFiles(script);
  winetest::ExpectCapturedFiles(*wine, captured, true);
  EXPECT_TRUE(fs::is_directory(wine->HostPath("C:\\windows\\RulesData")));
  EXPECT_TRUE(TempFolderExists(*wine, "RulesSub"));
  const auto fonts = wine->QueryKey("HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts");
  ASSERT_TRUE(fonts && fonts->count("Rules Sans"));
  EXPECT_NE(fonts->at("Rules Sans").data.find("rules.fon"), std::string::npos);

  // Captured text is literal: brackets and braces install as they were, in key names too.
  const auto stress = wine->QueryKey("HKLM\\Software\\Rules\\Stress\\[Defaults]", /*view32=*/true);
  ASSERT_TRUE(stress);
  const std::map<std::string, RegistryValue> expected = {
      {"Literal", {"REG_SZ", "[not a prop] and [!x] and [~] and {curly}"}},
      {"Expand", {"REG_EXPAND_SZ", "[TEMP]"}},
      {"List", {"REG_MULTI_SZ", "[a]\\0{b}"}},
      {"Machine", {"REG_SZ", "C:\\Program Files\\Demo"}},
  };
  for (const auto& [name, value] : expected) {
    ASSERT_TRUE(stress->count(name)) << name;
    EXPECT_EQ(stress->at(name).type, value.type) << name;
    EXPECT_EQ(stress->at(name).data, value.data) << name;
  }
  // The environment reference keeps the separator after it.
  ASSERT_TRUE(stress->count("Home"));
  const std::string home = stress->at("Home").data;
  EXPECT_TRUE(home.starts_with("C:\\users\\") && home.ends_with("\\Documents") &&
              home.find('\\', 9) == home.size() - 10)
      << home;
  const auto font = wine->QueryKey("HKLM\\Software\\Rules\\Fonts\\Arial,0,1,Bold", true);
  ASSERT_TRUE(font) << "the key with commas in its name is missing";
  ASSERT_TRUE(font->count("Face")) << font->size() << " other values";
  const auto user = wine->QueryKey("HKCU\\Software\\Rules");
  ASSERT_TRUE(user) << "the per-user key is missing";
  ASSERT_TRUE(user->count("User")) << user->size() << " other values";

  ASSERT_EQ(wine->Uninstall(package), 0);
  winetest::ExpectCapturedFiles(*wine, captured, false);
  EXPECT_FALSE(fs::exists(wine->HostPath("C:\\windows\\RulesData")));
  EXPECT_FALSE(wine->QueryKey("HKLM\\Software\\Rules\\Stress\\[Defaults]", true));
  EXPECT_FALSE(wine->QueryKey("HKCU\\Software\\Rules"));
}

}  // namespace
