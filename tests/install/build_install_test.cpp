// Packages that SABuild.dll built install under Wine with every file and registry value, and
// uninstall without leftovers: a compressed package and an uncompressed image.
#include <gtest/gtest.h>

#include <filesystem>

#include "package_build.h"
#include "sample_project.h"
#include "support/engine_presence.h"
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

// maxCabinetFiles 0: the builder's own limits.
void BuildInstallAndRemove(bool compressed, size_t maxCabinetFiles = 0) {
  testenv::TempDir temp;
  buildertest::EngineProject project(temp / "Sample.vpx");
  const auto sample = buildertest::FillSampleProject(project, temp / "cap");
  project.SetRelease(compressed, false, true, "Sample", "{AAAAAAAA-0000-0000-0000-000000000077}");
  project.Save();
  buildertest::BuildOutcome outcome;
  if (maxCabinetFiles == 0) {
    outcome = project.Build();
    ASSERT_EQ(outcome.errors, 0) << ::testing::PrintToString(outcome.messages);
  } else {
    builder::BuildRequest request;
    request.project = project.Project();
    request.configuration = "Product1";
    request.release = "Release1";
    request.engineFolder = FERNCLIP_BUILD_DIR;
    request.cabinetLimits.maxFiles = maxCabinetFiles;
    IgnoredMessages messages;
    ASSERT_TRUE(builder::RunBuild(request, messages, &outcome.packagePath));
  }

  std::string error;
  auto wine = winetest::WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  ASSERT_EQ(wine->Install(outcome.packagePath), 0);
  for (const auto& [key, file] : sample.files) {
    const std::string installed = FindInstalled(*wine, file.first);
    ASSERT_FALSE(installed.empty()) << file.first;
    EXPECT_EQ(testenv::ReadText(installed), file.second) << file.first;
  }
  const std::string key = "HKLM\\Software\\Wow6432Node\\Fernclip Sample";
  auto text = wine->QueryValue(key, "Text");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->type, "REG_SZ");
  EXPECT_EQ(text->data, "hello");
  auto count = wine->QueryValue(key, "Count");
  ASSERT_TRUE(count);
  EXPECT_EQ(count->type, "REG_DWORD");
  EXPECT_EQ(count->data, "0x2a");
  auto appPath = wine->QueryValue("HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\APP.EXE", "");
  ASSERT_TRUE(appPath);
  EXPECT_NE(appPath->data.find("app.exe"), std::string::npos) << appPath->data;

  ASSERT_EQ(wine->Uninstall(outcome.packagePath), 0);
  for (const auto& [key2, file] : sample.files) EXPECT_EQ(FindInstalled(*wine, file.first), "") << file.first;
  EXPECT_FALSE(wine->QueryValue(key, "Text"));
}

TEST(BuiltPackage, CompressedPackageInstallsAndUninstalls) {
  SKIP_UNLESS_ENGINE_IS_BUILT();
  BuildInstallAndRemove(true);
}

TEST(BuiltPackage, PackageOfSeveralCabinetsInstallsAndUninstalls) {
  SKIP_UNLESS_ENGINE_IS_BUILT();
  BuildInstallAndRemove(true, /*maxCabinetFiles=*/2);
}

TEST(BuiltPackage, UncompressedImageInstallsAndUninstalls) {
  SKIP_UNLESS_ENGINE_IS_BUILT();
  BuildInstallAndRemove(false);
}

}  // namespace
