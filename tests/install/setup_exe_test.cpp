// setup.exe installs the package beside it under Wine and returns msiexec's exit code.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "setup_launcher.h"
#include "wine_prefix.h"

namespace {

namespace fs = std::filesystem;

TEST(SetupExe, InstallsThePackageBesideItAndReturnsMsiexecsExitCode) {
  std::string error;
  auto wine = winetest::WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  const std::string work = wine->Folder() + "/pkg";
  fs::create_directories(work);
  std::ofstream(work + "/tool.txt") << "tool\n";
  std::ofstream(work + "/t.wxs") << R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="LauncherTest" Language="1033" Version="1.0.0" Manufacturer="Test"
           UpgradeCode="22345678-1234-1234-1234-123456789012">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="a.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="LauncherTest">
          <Component Id="C1" Guid="21111111-2222-3333-4444-555555555555">
            <File Id="F1" Name="tool.txt" Source="tool.txt" KeyPath="yes"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="C1"/></Feature>
  </Product>
</Wix>
)";
  ASSERT_EQ(std::system(("cd '" + work + "' && wixl -o 'Launcher Test.msi' t.wxs").c_str()), 0);
  // A second package in the folder: the launcher must take the one it was made for.
  fs::copy_file(work + "/Launcher Test.msi", work + "/Another.msi");
  ASSERT_TRUE(builder::PlaceSetupLauncher(std::string(FERNCLIP_BUILD_DIR) + "/setup-launcher.exe",
                                          "Launcher Test.msi", work + "/setup.exe", &error))
      << error;

  // A damaged package: setup.exe returns what msiexec returns for it (as far as a POSIX exit
  // status carries it), not success.
  fs::create_directories(work + "/bad");
  std::ofstream(work + "/bad/Broken.msi") << "not a package";
  ASSERT_TRUE(builder::PlaceSetupLauncher(std::string(FERNCLIP_BUILD_DIR) + "/setup-launcher.exe", "Broken.msi",
                                          work + "/bad/setup.exe", &error));
  const int direct = wine->Run({"msiexec", "/i", winetest::WinePrefix::WindowsPathOf(work + "/bad/Broken.msi"), "/qn"});
  EXPECT_NE(direct, 0);
  EXPECT_EQ(wine->Run({winetest::WinePrefix::WindowsPathOf(work + "/bad/setup.exe"), "/qn"}), direct);

  ASSERT_EQ(wine->Run({winetest::WinePrefix::WindowsPathOf(work + "/setup.exe"), "/qn"}), 0);
  EXPECT_TRUE(fs::exists(wine->HostPath("C:\\Program Files (x86)\\LauncherTest\\tool.txt")));
}

}  // namespace
