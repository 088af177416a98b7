// A capture whose setup ran programs and called DLL functions (tests/data/e2e/calls), converted
// by fernclip and installed under Wine: each call runs once at install, with its arguments (a
// DLL function's result reaches a later program's command line), a call that fails or cannot
// run does not stop the install, and neither a repair nor the removal runs a call again.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/captures.h"
#include "support/test_env.h"
#include "wine_prefix.h"

namespace {

namespace fs = std::filesystem;

// What the calls leave behind: marker file on drive C -> its expected text.
const std::map<std::string, std::string> kMarkers = {
    {"C:\\calls-dll.txt", "Record 21 1\nNote hello, world\n"},  // both DLL functions, once each
    {"C:\\calls-installed.txt", "ran 42\n"},                    // the installed program, with Record's result
    {"C:\\calls-setup.txt", "ran\n"},                           // the setup's own program from the Binary table
    {"C:\\calls-system.txt", "system\r\n"},                     // cmd.exe from the system folder
};

std::vector<std::string> MarkersPresent(const winetest::WinePrefix& wine) {
  std::vector<std::string> present;
  for (const auto& [marker, text] : kMarkers)
    if (fs::exists(wine.HostPath(marker))) present.push_back(marker);
  return present;
}

TEST(CallsInstall, CallsRunOnceAtInstallAndNeverOnRepairOrRemoval) {
  testenv::TempDir temp;
  const std::string script = test_support::CopyCapture("e2e/calls", temp / "calls");
  const auto run = test_support::RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.ValidatedWithoutErrors()) << run.out;
  // A program that lies nowhere is left out, named; a function that the DLL lacks is no build problem.
  EXPECT_NE(run.out.find("Setup\\missing.exe"), std::string::npos) << run.out;
  const std::string package = temp / "calls/Calls App.msi";
  ASSERT_TRUE(fs::exists(package)) << run.out;

  std::string error;
  auto wine = winetest::WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  ASSERT_EQ(wine->Install(package), 0);
  for (const auto& [marker, text] : kMarkers) EXPECT_EQ(testenv::ReadText(wine->HostPath(marker)), text) << marker;

  // A repair: what msiexec /fvomus asks for (Wine's msiexec /f fails on a package it installed).
  for (const auto& [marker, text] : kMarkers) fs::remove(wine->HostPath(marker));
  ASSERT_EQ(wine->Install(package, {"REINSTALL=ALL", "REINSTALLMODE=vomus"}), 0);
  EXPECT_TRUE(fs::exists(wine->HostPath("C:\\Program Files (x86)\\Calls\\tool.exe")));
  EXPECT_EQ(MarkersPresent(*wine), std::vector<std::string>{});

  ASSERT_EQ(wine->Uninstall(package), 0);
  EXPECT_FALSE(fs::exists(wine->HostPath("C:\\Program Files (x86)\\Calls\\tool.exe")));
  EXPECT_EQ(MarkersPresent(*wine), std::vector<std::string>{});
}

}  // namespace
