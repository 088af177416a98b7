// The conversion reads the capture: what a user sees for a bad script line, the capture's
// language, machine-specific paths and a registry file that cannot be read.
#include <gtest/gtest.h>

#include <algorithm>

#include "conversion_harness.h"
#include "support/test_env.h"

namespace pipeline_tests {
namespace {

class CaptureReadingTest : public ::testing::Test {
 protected:
  FernclipRun Convert(const CaptureFolder& folder, const std::string& script) {
    testenv::WriteText(folder.CapturePath(), script);
    return folder.Run({folder.CapturePath(), folder.ProjectPath(), "/vpxonly"});
  }
};

TEST_F(CaptureReadingTest, BadScriptLineStopsWithoutAProject) {
  CaptureFolder folder;
  folder.WriteOptions({{"INSTALLDIR", "C:\\Program Files\\App"}});
  const FernclipRun run = Convert(folder, "ScriptVersion('4.0')\r\nSet(broken\r\nreadme.txt\r\n");
  EXPECT_EQ(run.exitCode, 1) << run.out;
  const std::vector<std::string> lines = run.Lines();
  const auto warning = std::find(lines.begin(), lines.end(), "Warning: Unrecognized script command: 'Set(broken'");
  ASSERT_NE(warning, lines.end()) << run.out;
  ASSERT_NE(warning + 1, lines.end());
  EXPECT_EQ(*(warning + 1), "Error: Unrecognized line in .inc file.");
  EXPECT_FALSE(testenv::Exists(folder.ProjectPath()));
}

TEST_F(CaptureReadingTest, LanguageAndMachineSpecificPaths) {
  CaptureFolder folder;
  folder.WriteOptions({{"UseLanguage", "Y"}, {"INSTALLDIR", "C:\\Program Files\\App"}});
  const FernclipRun run = Convert(folder,
                                 "ScriptVersion('4.0')\r\nOSInfo('Windows','5.1','2600','1033')\r\n"
                                 "Set('APPDIR','D:\\Apps')\r\nSet('HOME','[ProgramFilesFolder]App')\r\n");
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_TRUE(run.HasLine("Applying language 'English (code 1033)' to the project")) << run.out;
  EXPECT_TRUE(run.HasLine("Warning: The path 'D:\\Apps' appears to be a machine-specific path. The "
                           "repackaged installation may not function if this path does not exist on "
                           "client machines."))
      << run.out;
  const std::vector<std::string> lines = run.Lines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) { return line.find("machine-specific") != std::string::npos; }),
            1);
  EXPECT_TRUE(testenv::Exists(folder.ProjectPath()));
}

TEST_F(CaptureReadingTest, RegistryFileThatCannotBeOpenedEndsTheRun) {
  CaptureFolder folder;
  folder.WriteOptions({{"INSTALLDIR", "C:\\Program Files\\App"}});
  const FernclipRun run = Convert(folder, "ScriptVersion('4.0')\r\nRegLoad('C:\\cap\\missing.reg')\r\n");
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_TRUE(run.HasLine("Error: Can't open file '" + folder.File("missing.reg") + "'")) << run.out;
  EXPECT_FALSE(testenv::Exists(folder.ProjectPath()));
}

}  // namespace
}  // namespace pipeline_tests
