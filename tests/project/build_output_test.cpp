// Where a build's package lies, by the release switches.
#include <gtest/gtest.h>

#include "project/vpx_build.h"

namespace {

using project::ComputeBuildOutput;

TEST(BuildOutput, CompressedWithoutBuildPathLiesInTheProjectFolder) {
  auto out = ComputeBuildOutput("C:\\Out\\App.vpx", "App", /*useBuildPath=*/false, /*compressed=*/true, false);
  EXPECT_EQ(out.outputFolder, "C:\\Out\\");
  EXPECT_EQ(out.packagePath, "C:\\Out\\App.msi");

  // setup.exe whatever the package name is.
  out = ComputeBuildOutput("C:\\Out\\App.vpx", "Other Name", false, true, /*setupExe=*/true);
  EXPECT_EQ(out.packagePath, "C:\\Out\\setup.exe");

  // Host paths keep their own separator.
  out = ComputeBuildOutput("/home/me/cap/App.vpx", "App", false, true, false);
  EXPECT_EQ(out.outputFolder, "/home/me/cap/");
  EXPECT_EQ(out.packagePath, "/home/me/cap/App.msi");
}

TEST(BuildOutput, BuildPathOrUncompressedLeavesThePackagePathEmpty) {
  auto out = ComputeBuildOutput("C:\\Out\\App.vpx", "App", /*useBuildPath=*/true, true, false);
  EXPECT_EQ(out.outputFolder, "C:\\Out\\App\\");
  EXPECT_EQ(out.packagePath, "");

  out = ComputeBuildOutput("/tmp/p/App.vpx", "App", false, /*compressed=*/false, true);
  EXPECT_EQ(out.outputFolder, "/tmp/p/App/");
  EXPECT_EQ(out.packagePath, "");
}

}  // namespace
