// Merge modules where the user meets them, under Wine: a capture of a shared runtime's files and
// of an extension that builds on it converts, with the test merge modules on the search path,
// into a project that names the modules fernrt and fernext instead of those files; the package
// built from it installs every file of both modules into the system folder, runs the modules'
// actions with their configured values, and removes it all again.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"
#include "wine_prefix.h"

namespace {

namespace fs = std::filesystem;

TEST(MergedModules, ACapturedRuntimeInstallsThroughItsModulesAndUninstalls) {
  testenv::TempDir temp;
  testenv::ScopedEnv cache("XDG_CACHE_HOME", temp / "cache");
  const std::string modules = FERNCLIP_MERGE_MODULES_DIR, data = FERNCLIP_TEST_DATA_DIR;
  const std::string script = test_support::CopyCapture("e2e/merge_modules", temp / "rt");
  // The extension's file beside the runtime's, in the system folder.
  const std::string extension = testenv::ReadText(data + "/merge_modules/fernext/fernext.txt");
  testenv::WriteText(temp / "rt/SystemFolder/fernext.txt", extension);
  testenv::WriteText(script, testenv::ReadText(script) + "%SCRIPTFOLDER%SystemFolder\\fernext.txt\r\n");
  test_support::SetGeneralOption(temp / "rt/options.ini", "AddlMMSearchPath", modules);

  const auto run = test_support::RunFernclip({script, "/fakeguids"}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.ValidatedWithoutErrors()) << run.out;
  const std::string package = temp / "rt/Fern Runtime App.msi";
  ASSERT_TRUE(fs::exists(package)) << run.out;
  // The project named the modules; the package carries their signatures and files, no file of
  // the capture's system folder of its own.
  EXPECT_EQ(test_support::DumpTable(package, "ModuleSignature").size(), 2u);
  EXPECT_EQ(test_support::DumpTable(package, "File").size(), 4u);

  std::string error;
  auto wine = winetest::WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  const std::string log = temp / "install.log";
  ASSERT_EQ(wine->Install(package, {"/l*v", winetest::WinePrefix::WindowsPathOf(log)}), 0);
  // A 32-bit package's system folder on 64-bit Windows.
  const std::string system = "C:\\windows\\syswow64\\";
  const std::map<std::string, std::string> installed = {
      {system + "fernrt.dll", testenv::ReadText(modules + "/fernrt/fernrt.dll")},
      {system + "fernrt.txt", testenv::ReadText(data + "/merge_modules/fernrt/fernrt.txt")},
      {system + "fernext.txt", extension},
      {"C:\\Program Files (x86)\\Fern Runtime App\\fernapp.txt",
       testenv::ReadText(data + "/e2e/merge_modules/ProgramFilesFolder/Fern Runtime App/fernapp.txt")}};
  for (const auto& [path, bytes] : installed) EXPECT_EQ(testenv::ReadText(wine->HostPath(path)), bytes) << path;
  // fernext's action, placed after CostFinalize, set its property to the configured default.
  EXPECT_NE(testenv::ReadText(log).find("FERNEXTREADY = ready"), std::string::npos);

  ASSERT_EQ(wine->Uninstall(package), 0);
  for (const auto& [path, bytes] : installed) EXPECT_FALSE(fs::exists(wine->HostPath(path))) << path;
}

}  // namespace
