// VpxWriter::Build: the release it prepares, where the package lies, the build records in the
// log, and cancellation. A failed build is checked on a whole conversion (e2e/package_test).
#include <filesystem>

#include "core/cancellation.h"
#include "core/repackager_exception.h"
#include "project/vpx_build.h"
#include "support/conversion_fixture.h"

namespace {

using ProjectTest = test_support::ConversionTest;

namespace fs = std::filesystem;

std::string SettingOf(const std::vector<std::vector<std::string>>& releaseRows, const std::string& name) {
  for (const auto& row : releaseRows)
    if (row.size() >= 4 && row[2] == name) return row[3];
  return "<missing>";
}

TEST_F(ProjectTest, BuildPreparesTheReleaseAndWritesThePackageBesideTheProject) {
  LoadOptions({{"ProductName", "Build Test"}, {"BuildProduct", "P1"}, {"BuildRelease", "R1"}});
  OpenProject();
  writer_->Build();
  const project::BuildResult& result = project::LastBuildResult();
  EXPECT_EQ(result.packageName, "Build Test");
  EXPECT_EQ(result.errorCount, 0);
  EXPECT_EQ(result.outputFolder, dir_.path() + "/");
  EXPECT_EQ(result.packagePath, InFolder("Build Test.msi"));
  EXPECT_TRUE(fs::exists(result.packagePath));
  // Every builder message is a build record.
  EXPECT_NE(LogText().find("BUILD  : Building compressed package"), std::string::npos) << LogText();

  const auto release = test_support::DumpTable(InFolder("test.vpx"), "QvRelease");
  EXPECT_EQ(SettingOf(release, "Compressed"), "1");
  EXPECT_EQ(SettingOf(release, "SetupExe"), "0");
  EXPECT_EQ(SettingOf(release, "BuildLocation"), "<QvProjectFolder>");
  EXPECT_EQ(SettingOf(release, "PackageName"), "Build Test");
  EXPECT_EQ(SettingOf(release, "PackageCode").size(), 38u);
  for (const auto& row : release) EXPECT_EQ(row[0] + "/" + row[1], "P1/R1");
}

TEST_F(ProjectTest, SetupExeAndBuildPathDecideThePackagePath) {
  LoadOptions({{"ProductName", "Launch"}, {"CreateSetupExe", "Y"}});
  OpenProject();
  writer_->Build();
  EXPECT_EQ(project::LastBuildResult().packagePath, InFolder("setup.exe"));
  EXPECT_TRUE(fs::exists(dir_ / "setup.exe"));
  EXPECT_TRUE(fs::exists(dir_ / "Launch.msi"));

  LoadOptions({{"ProductName", "Launch"}, {"UseBuildPath", "Y"}, {"BuildCompressed", "N"}});
  writer_->Build();
  EXPECT_EQ(project::LastBuildResult().packagePath, "");
  EXPECT_EQ(project::LastBuildResult().outputFolder, InFolder("Launch") + "/");
  EXPECT_TRUE(fs::exists(dir_ / "Launch/Launch.msi"));
}

TEST_F(ProjectTest, ACancelledBuildStopsBeforeAnyPackage) {
  LoadOptions({{"ProductName", "Cancelled"}});
  OpenProject();
  core::RequestCancel();
  try {
    writer_->Build();
    ADD_FAILURE() << "the build ran";
  } catch (const core::repackager_exception& e) {
    EXPECT_STREQ(e.what(), "Cancelled by user action.");
  }
  core::ClearCancel();
  EXPECT_FALSE(fs::exists(dir_ / "Cancelled.msi"));
}

}  // namespace
