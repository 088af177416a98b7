// The program end to end: fernclip converts the bundled demo capture and builds the package
// and setup.exe beside the project; setup.exe installs the package under Wine with every
// captured file, folder and registry value, and msiexec removes it all again. A launcher made
// for a damaged package returns msiexec's failure.
#include <gtest/gtest.h>

#include <filesystem>

#include "installed_capture.h"
#include "setup_launcher.h"
#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"
#include "wine_prefix.h"

namespace {

namespace fs = std::filesystem;

TEST(ConversionInstall, TheDemosSetupExeInstallsEveryCapturedChange) {
  testenv::TempDir temp;
  const std::string script = test_support::CopyCapture("examples/demo", temp / "demo");
  test_support::SetGeneralOption(temp / "demo/options.ini", "CreateSetupExe", "Y");
  const auto run = test_support::RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.ValidatedWithoutErrors()) << run.out;
  EXPECT_NE(run.out.find("Building .msi package"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Finished successfully."), std::string::npos) << run.out;
  const std::string package = temp / "demo/Fernclip Demo.msi";
  const std::string setup = temp / "demo/setup.exe";
  ASSERT_TRUE(fs::exists(package)) << run.out;
  ASSERT_TRUE(fs::exists(setup)) << run.out;

  const std::string productCode = test_support::DumpProperties(package)["ProductCode"];
  ASSERT_FALSE(productCode.empty());
  std::string error;
  auto wine = winetest::WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  // What the setup removed on the capture machine, there before the install.
  const std::string demo = "C:\\Program Files (x86)\\Demo\\";
  testenv::WriteText(wine->HostPath(demo + "old-version.txt"), "0.9");
  ASSERT_EQ(wine->Run({"reg", "add", "HKLM\\Software\\Fernclip Demo 0.9", "/v", "Old", "/d", "1", "/f", "/reg:32"}), 0);

  ASSERT_EQ(wine->Run({winetest::WinePrefix::WindowsPathOf(setup), "/qn"}), 0);
  const auto captured = test_support::CapturedFiles(script);
  ASSERT_EQ(captured.size(), 5u);
  winetest::ExpectCapturedFiles(*wine, captured, true);
  EXPECT_TRUE(fs::is_directory(wine->HostPath(demo + "Logs")));
  EXPECT_FALSE(fs::exists(wine->HostPath(demo + "old-version.txt")));

  const auto machine = wine->QueryKey("HKLM\\Software\\Fernclip Demo", /*view32=*/true);
  ASSERT_TRUE(machine);
  const std::map<std::string, winetest::RegistryValue> expected = {
      {"InstallDir", {"REG_SZ", demo}},
      {"Version", {"REG_SZ", "1.0"}},
      {"Build", {"REG_DWORD", "0x2a"}},
      {"Signature", {"REG_BINARY", "46434C"}},
      {"Languages", {"REG_MULTI_SZ", "en\\0de"}},
      {"LogFolder", {"REG_EXPAND_SZ", "%TEMP%\\Fernclip Demo"}},
  };
  for (const auto& [name, value] : expected) {
    ASSERT_TRUE(machine->count(name)) << name;
    EXPECT_EQ(machine->at(name).type, value.type) << name;
    EXPECT_EQ(machine->at(name).data, value.data) << name;
  }
  EXPECT_TRUE(wine->QueryKey("HKLM\\Software\\Fernclip Demo\\Plugins", true));
  const auto user = wine->QueryKey("HKCU\\Software\\Fernclip Demo");
  ASSERT_TRUE(user && user->count("Colour"));
  EXPECT_EQ(user->at("Colour").data, "blue");
  EXPECT_FALSE(wine->QueryKey("HKLM\\Software\\Fernclip Demo 0.9", true));
  const std::string uninstallKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productCode;
  EXPECT_TRUE(wine->QueryKey(uninstallKey, true));

  ASSERT_EQ(wine->Uninstall(package), 0);
  winetest::ExpectCapturedFiles(*wine, captured, false);
  EXPECT_FALSE(fs::exists(wine->HostPath(demo + "Logs")));
  EXPECT_FALSE(wine->QueryKey("HKLM\\Software\\Fernclip Demo", true));
  EXPECT_FALSE(wine->QueryKey("HKCU\\Software\\Fernclip Demo"));
  EXPECT_FALSE(wine->QueryKey(uninstallKey, true));

  // setup.exe returns what msiexec returns (as far as a POSIX exit status carries it).
  testenv::WriteText(temp / "bad/Broken.msi", "not a package");
  ASSERT_TRUE(builder::PlaceSetupLauncher(std::string(FERNCLIP_BUILD_DIR) + "/setup-launcher.exe", "Broken.msi",
                                          temp / "bad/setup.exe", &error));
  const int direct = wine->Run({"msiexec", "/i", winetest::WinePrefix::WindowsPathOf(temp / "bad/Broken.msi"), "/qn"});
  EXPECT_NE(direct, 0);
  EXPECT_EQ(wine->Run({winetest::WinePrefix::WindowsPathOf(temp / "bad/setup.exe"), "/qn"}), direct);
}

}  // namespace
