// The program end to end: fernclip converts the bundled demo capture and builds the package
// and setup.exe beside the project; two /fakeguids runs give the same bytes; setup.exe installs
// the package under Wine and msiexec removes it again.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/engine_presence.h"
#include "support/msi_dump.h"
#include "support/test_env.h"
#include "wine_prefix.h"

namespace {

namespace fs = std::filesystem;
using testenv::ReadText;
using test_support::RunCommand;
using test_support::ShellQuote;

// The value of a property of a package, as msiinfo exports the Property table.
std::string PackageProperty(const std::string& package, const std::string& name) {
  std::string output;
  RunCommand("msiinfo export " + ShellQuote(package) + " Property", &output);
  const std::string prefix = "\n" + name + "\t";
  const size_t at = output.find(prefix);
  if (at == std::string::npos) return "";
  const size_t begin = at + prefix.size();
  return output.substr(begin, output.find_first_of("\r\n", begin) - begin);
}

TEST(ConversionInstall, DemoBuildsReproduciblyWithSetupExeThatInstalls) {
  SKIP_UNLESS_PROGRAM_IS_BUILT();
  testenv::TempDir temp;
  fs::copy(std::string(FERNCLIP_SOURCE_DIR) + "/examples/demo", temp / "demo", fs::copy_options::recursive);
  {
    std::string options = ReadText(temp / "demo/options.ini");
    options.replace(options.find("[General]"), 9, "[General]\r\nCreateSetupExe=Y");
    testenv::WriteText(temp / "demo/options.ini", options);
  }
  const std::string run = "FERNCLIP_REGISTRY=" + ShellQuote(temp / "registry.reg") + " " +
                          ShellQuote(std::string(FERNCLIP_BUILD_DIR) + "/fernclip") + " " +
                          ShellQuote(temp / "demo/demo.inc") + " /fakeguids";
  std::string output;
  ASSERT_EQ(RunCommand(run, &output), 0) << output;
  EXPECT_NE(output.find("Building .msi package"), std::string::npos) << output;
  EXPECT_NE(output.find("Finished successfully."), std::string::npos) << output;
  const std::string package = temp / "demo/Fernclip Demo.msi";
  const std::string setup = temp / "demo/setup.exe";
  ASSERT_TRUE(fs::exists(package)) << output;
  ASSERT_TRUE(fs::exists(setup)) << output;
  const std::string firstPackage = ReadText(package), firstSetup = ReadText(setup);

  ASSERT_EQ(RunCommand(run, &output), 0) << output;
  EXPECT_EQ(ReadText(package), firstPackage);
  EXPECT_EQ(ReadText(setup), firstSetup);

  const std::string productCode = PackageProperty(package, "ProductCode");
  ASSERT_FALSE(productCode.empty());
  std::string error;
  auto wine = winetest::WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  ASSERT_EQ(wine->Run({winetest::WinePrefix::WindowsPathOf(setup), "/qn"}), 0);
  const std::string uninstallKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productCode;
  const std::string uninstallKey32 =
      "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + productCode;
  EXPECT_TRUE(wine->KeyExists(uninstallKey) || wine->KeyExists(uninstallKey32));
  ASSERT_EQ(wine->Uninstall(package), 0);
  EXPECT_FALSE(wine->KeyExists(uninstallKey) || wine->KeyExists(uninstallKey32));
}

}  // namespace
