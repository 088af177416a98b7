// Whole conversions of the content capture (tests/data/content/app) with the built fernclip and
// /vpxonly, read back with msidump: every kind of content row the capture asks for.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

using test_support::Rows;
namespace fs = std::filesystem;

class ContentConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(std::string(FERNCLIP_TEST_DATA_DIR) + "/content/app", capture_.path(), fs::copy_options::recursive);
  }
  test_support::FernclipRun Convert(const std::vector<std::string>& switches) {
    std::vector<std::string> arguments = {capture_ / "app.inc"};
    arguments.insert(arguments.end(), switches.begin(), switches.end());
    return test_support::RunFernclip(arguments, capture_ / "registry.reg");
  }
  Rows Table(const std::string& table) { return test_support::DumpTable(capture_ / "app.vpx", table); }
  static std::vector<std::string> Row(const Rows& rows, const std::string& key) {
    return test_support::RowWithKey(rows, key);
  }
  static bool Contains(const Rows& rows, const std::vector<std::string>& row) {
    return std::find(rows.begin(), rows.end(), row) != rows.end();
  }

  testenv::TempDir capture_;
};

TEST_F(ContentConversionTest, TheCaptureBecomesContentRows) {
  const test_support::FernclipRun run = Convert({"/vpxonly"});
  ASSERT_EQ(run.exitCode, 0) << run.out;

  const Rows components = Table("Component");
  // Names by the conventions; attributes by folder.
  EXPECT_FALSE(Row(components, "setup.exe").empty());
  EXPECT_FALSE(Row(components, "setup.exe1").empty());
  EXPECT_EQ(Row(components, "acmert.dll").at(3), "24");
  EXPECT_EQ(Row(components, "shared.dll").at(3), "8");
  EXPECT_EQ(Row(components, "arial.ttf_Font").at(5), "arial.ttf");
  EXPECT_EQ(Row(components, "Folder_Settings").at(3), "4");
  EXPECT_EQ(Row(components, "Folder_Settings").at(5), "Registry_ICE38_");

  const Rows files = Table("File");
  EXPECT_EQ(Row(files, "readme.txt").at(1), "Folder_App");
  EXPECT_EQ(Row(files, "license.txt").at(1), "Folder_App");
  EXPECT_EQ(Row(files, "readmefirst.txt").at(2), "ReadMe~1.txt|ReadMe First.txt");
  EXPECT_EQ(Row(files, "setup.exe1").at(2), "setup.exe");
  EXPECT_EQ(Table("Font"), (Rows{{"arial.ttf", ""}}));
  EXPECT_EQ(Table("SelfReg"), (Rows{{"engine.dll", ""}}));
  EXPECT_EQ(Row(Table("QvFileSource"), "user.cfg").at(1), "<SOURCEFILEPATH>\\AppDataFolder\\Acme\\Settings\\user.cfg");

  const Rows removeFiles = Table("RemoveFile");
  EXPECT_EQ(Row(removeFiles, "acme.tmp").at(4), "3");
  EXPECT_EQ(Row(removeFiles, "OldAcmeLog.txt").at(2), "OldAcm~1.txt|Old Acme Log.txt");
  EXPECT_EQ(Row(removeFiles, "RemoveFolder_Settings").at(1), "Folder_Settings");
  EXPECT_TRUE(Contains(Table("CreateFolder"), {"Logs", "CreateFolder_Logs"}));

  const Rows actions = Table("CustomAction");
  for (const char* action : {"setUserProfileNT", "SetAllUsersProfileNT", "setAllUsersProfile2K", "EXECA1", "DLLCA1"})
    EXPECT_FALSE(Row(actions, action).empty()) << action;
  EXPECT_EQ(Row(actions, "DLLCA1").at(3), "VOID engine::Init(INT a=[DLLCA1_PARAM1])");
  const Rows execute = Table("InstallExecuteSequence");
  EXPECT_EQ(std::stoi(Row(execute, "DLLCA1").at(2)), std::stoi(Row(execute, "CostFinalize").at(2)) + 1);
  EXPECT_EQ(std::stoi(Row(execute, "EXECA1").at(2)), std::stoi(Row(execute, "InstallFinalize").at(2)) + 1);

  const Rows registry = Table("Registry");
  EXPECT_TRUE(Contains(registry, {"Registry_0", "0", ".acme", "", "Acme.Document", "RegistryData_HKCR"}));
  EXPECT_TRUE(Contains(registry, {"Registry_1", "1", "Software\\Acme\\App", "Window", "max", "RegistryData_User"}));
  // Value encodings; a reference to a captured file becomes the file's key, another path a folder.
  for (const char* value : {"#1", "#x01a2ff", "[~]a[~]b[~]", "[WindowsFolder]notepad.exe",
                            "[!app.exe] /s", "[WindowsFolder]x.exe"}) {
    bool found = false;
    for (const auto& row : registry) found |= row.at(4) == value && row.at(5) == "RegistryData_Machine";
    EXPECT_TRUE(found) << value;
  }
  // A removed named value keeps its name; a removed key is "-" (what the installer acts on).
  EXPECT_EQ(Table("RemoveRegistry"),
            (Rows{{"RemoveRegistry_0", "1", "Software\\Acme\\App", "Obsolete", "RemoveRegistry_Component"},
                  {"RemoveRegistry_1", "1", "Software\\Acme\\App", "", "RemoveRegistry_Component"},
                  {"RemoveRegistry_2", "2", "SOFTWARE\\Acme\\Old", "-", "RemoveRegistry_Component"}}));
  EXPECT_EQ(Table("Environment"), (Rows{{"EnvPath_", "=-Path", "[~];[INSTALLDIR]", "RegistryData_Machine"}}));
}

TEST_F(ContentConversionTest, FakeGuidConversionsAreIdentical) {
  ASSERT_EQ(Convert({"/fakeguids", "/vpxonly"}).exitCode, 0);
  const std::string first = testenv::ReadText(capture_ / "app.vpx");
  ASSERT_FALSE(first.empty());
  // The GUIDs of a run are numbered from 1.
  const auto properties = test_support::DumpProperties(capture_ / "app.vpx");
  EXPECT_EQ(properties.at("ProductCode"), "{AAAAAAAA-0000-0000-0000-000000000001}");
  EXPECT_EQ(properties.at("UpgradeCode"), "{AAAAAAAA-0000-0000-0000-000000000002}");
  ASSERT_EQ(Convert({"/fakeguids", "/vpxonly"}).exitCode, 0);
  EXPECT_TRUE(first == testenv::ReadText(capture_ / "app.vpx"));
}

}  // namespace
