// The Wine harness itself, on a package that another tool (wixl) made: it installs a file and a
// registry value where a 32-bit package puts them, and the uninstall removes both.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "wine_prefix.h"

namespace {

namespace fs = std::filesystem;

TEST(WineHarness, InstallsAndRemovesAWixlPackage) {
  std::string error;
  auto wine = winetest::WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  const std::string work = wine->Folder() + "/wixl";
  fs::create_directories(work + "/src");
  std::ofstream(work + "/src/hello.txt") << "hello from wixl\n";
  std::ofstream(work + "/t.wxs") << R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="HarnessTest" Language="1033" Version="1.0.0" Manufacturer="Test"
           UpgradeCode="12345678-1234-1234-1234-123456789012">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="a.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="HarnessTest">
          <Component Id="C1" Guid="11111111-2222-3333-4444-555555555555">
            <File Id="F1" Name="hello.txt" Source="src/hello.txt" KeyPath="yes"/>
            <RegistryValue Root="HKLM" Key="Software\HarnessTest" Name="Count" Type="integer" Value="42"/>
            <RegistryValue Root="HKLM" Key="Software\HarnessTest" Type="string" Value="default text"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="C1"/></Feature>
  </Product>
</Wix>
)";
  ASSERT_EQ(std::system(("cd '" + work + "' && wixl -o t.msi t.wxs").c_str()), 0);

  ASSERT_EQ(wine->Install(work + "/t.msi"), 0);
  const std::string installed = wine->HostPath("C:\\Program Files (x86)\\HarnessTest\\hello.txt");
  std::ifstream in(installed);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "hello from wixl");
  auto count = wine->QueryValue("HKLM\\Software\\Wow6432Node\\HarnessTest", "Count");
  ASSERT_TRUE(count);
  EXPECT_EQ(count->type, "REG_DWORD");
  EXPECT_EQ(count->data, "0x2a");
  auto defaultValue = wine->QueryValue("HKLM\\Software\\Wow6432Node\\HarnessTest", "");
  ASSERT_TRUE(defaultValue);
  EXPECT_EQ(defaultValue->type, "REG_SZ");
  EXPECT_EQ(defaultValue->data, "default text");

  ASSERT_EQ(wine->Uninstall(work + "/t.msi"), 0);
  EXPECT_FALSE(fs::exists(installed));
  EXPECT_FALSE(wine->QueryValue("HKLM\\Software\\Wow6432Node\\HarnessTest", "Count"));
}

}  // namespace
