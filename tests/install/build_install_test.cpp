// A package that SABuild.dll built from a project made through the engine, its files spread over
// several cabinets and its string pool holding strings of up to 1 MB, installs under Wine with
// every file, registry value and application path, and uninstalls without leftovers.
// (Single-cabinet packages and uncompressed images of whole conversions install in
// conversion_install_test and rich_install_test.)
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "package_build.h"
#include "sample_project.h"
#include "support/msi_dump.h"
#include "support/test_env.h"
#include "wine_prefix.h"

namespace {

namespace fs = std::filesystem;

// The installed file of that name below drive C's Program Files folders; empty when none.
std::string FindInstalled(const winetest::WinePrefix& wine, const std::string& name) {
  for (const char* root : {"C:\\Program Files (x86)", "C:\\Program Files"}) {
    const std::string host = wine.HostPath(root);
    if (!fs::exists(host)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(host))
      if (entry.path().filename() == name) return entry.path();
  }
  return "";
}

class IgnoredMessages final : public builder::BuildMessages {
 protected:
  void Send(int32_t, const std::string&) override {}
};

TEST(BuiltPackage, FilesInSeveralCabinetsInstallAndUninstall) {
  testenv::TempDir temp;
  buildertest::EngineProject project(temp / "Sample.vpx");
  const auto sample = buildertest::FillSampleProject(project, temp / "cap");
  // Strings of 64 KB and more take two entries of the string pool (one of these is used twice).
  const std::map<std::string, std::string> longValues = {
      {"Long65535", std::string(65535, 'a')},   {"Long65536", std::string(65536, 'b')},
      {"Long131072", std::string(131072, 'c')}, {"Again131072", std::string(131072, 'c')},
      {"Long1048576", std::string(1048576, 'd')}};
  for (const auto& [name, value] : longValues)
    project.AddRow("Registry", {qv::Variant::Text("reg" + name), qv::Variant::Int(2), qv::Variant::Text("Software\\Fernclip Sample\\Long"),
                                qv::Variant::Text(name), qv::Variant::Text(value), qv::Variant::Text("MainComponent")});
  project.SetRelease(true, false, true, "Sample", "{AAAAAAAA-0000-0000-0000-000000000077}");
  project.Save();
  builder::BuildRequest request;
  project.Project()->GetPath(&request.projectPath);
  request.configuration = "Product1";
  request.release = "Release1";
  request.engineFolder = FERNCLIP_BUILD_DIR;
  request.cabinetLimits.maxFiles = 3;
  IgnoredMessages messages;
  std::string package;
  ASSERT_TRUE(builder::RunBuild(request, messages, &package));
  // One Media row per cabinet: disk id, last sequence, cabinet stream.
  const test_support::Rows media = test_support::DumpTable(package, "Media");
  ASSERT_EQ(media.size(), 2u);
  EXPECT_EQ(media[0][0] + " " + media[0][1] + " " + media[0][3], "1 3 #Data1.cab");
  EXPECT_EQ(media[1][0] + " " + media[1][1] + " " + media[1][3], "2 4 #Data2.cab");

  std::string error;
  auto wine = winetest::WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  ASSERT_EQ(wine->Install(package), 0);
  for (const auto& [key, file] : sample.files) {
    const std::string installed = FindInstalled(*wine, file.first);
    ASSERT_FALSE(installed.empty()) << file.first;
    EXPECT_EQ(testenv::ReadText(installed), file.second) << file.first;
  }
  const std::string key = "HKLM\\Software\\Fernclip Sample";
  const auto values = wine->QueryKey(key, /*view32=*/true);
  ASSERT_TRUE(values && values->count("Text") && values->count("Count"));
  EXPECT_EQ(values->at("Text").type + " " + values->at("Text").data, "REG_SZ hello");
  EXPECT_EQ(values->at("Count").type + " " + values->at("Count").data, "REG_DWORD 0x2a");
  const auto longKey = wine->QueryKey(key + "\\Long", true);
  ASSERT_TRUE(longKey);
  for (const auto& [name, value] : longValues) {
    ASSERT_TRUE(longKey->count(name)) << name;
    EXPECT_EQ(longKey->at(name).data.size(), value.size()) << name;
    EXPECT_TRUE(longKey->at(name).data == value) << name;
  }
  const auto appPath = wine->QueryKey("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\APP.EXE", true);
  ASSERT_TRUE(appPath && appPath->count(""));
  EXPECT_NE(appPath->at("").data.find("app.exe"), std::string::npos) << appPath->at("").data;

  ASSERT_EQ(wine->Uninstall(package), 0);
  for (const auto& [fileKey, file] : sample.files) EXPECT_EQ(FindInstalled(*wine, file.first), "") << file.first;
  const auto after = wine->QueryKey(key, true);
  EXPECT_FALSE(after && after->count("Text"));
}

}  // namespace
