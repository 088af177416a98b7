// VpxWriter::Build: the release it prepares, where the package lies, the build records in the
// log, and the build's failures (errors, cancellation) as the conversion's fatal messages.
#include <filesystem>

#include "frontend/cancellation.h"
#include "frontend/repackager_exception.h"
#include "project/msi_record.h"
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
  frontend::RequestCancel();
  try {
    writer_->Build();
    ADD_FAILURE() << "the build ran";
  } catch (const frontend::repackager_exception& e) {
    EXPECT_STREQ(e.what(), "Cancelled by user action.");
  }
  frontend::ClearCancel();
  EXPECT_FALSE(fs::exists(dir_ / "Cancelled.msi"));
}

TEST_F(ProjectTest, BuildErrorsAreBuildRecordsAndFailTheBuild) {
  LoadOptions({{"ProductName", "Broken"}});
  OpenProject();
  {
    project::MSIRecord file(*writer_, "File");
    file.SetField(1, "gone.txt");
    file.SetField(2, "NoComponent");
    file.SetField(3, "gone.txt");
    file.SetField(4, 0);
    file.SetField(8, 1);
  }
  {
    project::MSIRecord source(*writer_, "QvFileSource");
    source.SetField(1, "gone.txt");
    source.SetField(2, InFolder("capture/gone.txt"));
  }
  try {
    writer_->Build();
    ADD_FAILURE() << "the build succeeded";
  } catch (const frontend::repackager_exception& e) {
    EXPECT_STREQ(e.what(), "Build failed.");
  }
  EXPECT_GE(project::LastBuildResult().errorCount, 1);
  EXPECT_NE(LogText().find("BUILD  : Error: Table 'File', row 'gone.txt', column 'FileName'"), std::string::npos)
      << LogText();
  for (const auto& entry : fs::directory_iterator(dir_.path()))
    EXPECT_NE(entry.path().extension(), ".msi") << entry.path();
}

}  // namespace
