// The conversion reads the capture: what a user sees for a bad script line, the capture's
// language, machine-specific paths and a registry file that cannot be read.
#include <gtest/gtest.h>

#include <algorithm>

#include "conversion_harness.h"
#include "support/engine_presence.h"
#include "support/test_env.h"

namespace pipeline_tests {
namespace {

bool HasLine(const ProgramRun& run, const std::string& line) {
  return std::find(run.lines.begin(), run.lines.end(), line) != run.lines.end();
}

class CaptureReadingTest : public ::testing::Test {
 protected:
  void SetUp() override { SKIP_UNLESS_PROGRAM_IS_BUILT(); }
  ProgramRun Convert(const CaptureFolder& folder, const std::string& script) {
    testenv::WriteText(folder.CapturePath(), script);
    return folder.Run({folder.CapturePath(), folder.ProjectPath(), "/vpxonly"});
  }
};

TEST_F(CaptureReadingTest, BadScriptLineStopsWithoutAProject) {
  CaptureFolder folder;
  folder.WriteOptions({{"INSTALLDIR", "C:\\Program Files\\App"}});
  const ProgramRun run = Convert(folder, "ScriptVersion('4.0')\r\nSet(broken\r\nreadme.txt\r\n");
  EXPECT_EQ(run.exitCode, 1) << run.output;
  const auto warning = std::find(run.lines.begin(), run.lines.end(),
                                 "Warning: Unrecognized script command: 'Set(broken'");
  ASSERT_NE(warning, run.lines.end()) << run.output;
  ASSERT_NE(warning + 1, run.lines.end());
  EXPECT_EQ(*(warning + 1), "Error: Unrecognized line in .inc file.");
  EXPECT_FALSE(testenv::Exists(folder.ProjectPath()));
}

TEST_F(CaptureReadingTest, LanguageAndMachineSpecificPaths) {
  CaptureFolder folder;
  folder.WriteOptions({{"UseLanguage", "Y"}, {"INSTALLDIR", "C:\\Program Files\\App"}});
  const ProgramRun run = Convert(folder,
                                 "ScriptVersion('4.0')\r\nOSInfo('Windows','5.1','2600','1033')\r\n"
                                 "Set('APPDIR','D:\\Apps')\r\nSet('HOME','[ProgramFilesFolder]App')\r\n");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(HasLine(run, "Applying language 'English (code 1033)' to the project")) << run.output;
  EXPECT_TRUE(HasLine(run, "Warning: The path 'D:\\Apps' appears to be a machine-specific path. The "
                           "repackaged installation may not function if this path does not exist on "
                           "client machines."))
      << run.output;
  EXPECT_EQ(std::count_if(run.lines.begin(), run.lines.end(),
                          [](const std::string& line) { return line.find("machine-specific") != std::string::npos; }),
            1);
  EXPECT_TRUE(testenv::Exists(folder.ProjectPath()));
}

TEST_F(CaptureReadingTest, RegistryFileThatCannotBeOpenedEndsTheRun) {
  CaptureFolder folder;
  folder.WriteOptions({{"INSTALLDIR", "C:\\Program Files\\App"}});
  const ProgramRun run = Convert(folder, "ScriptVersion('4.0')\r\nRegLoad('C:\\cap\\missing.reg')\r\n");
  EXPECT_EQ(run.exitCode, 1) << run.output;
  EXPECT_TRUE(HasLine(run, "Error: Can't open file '" + folder.File("missing.reg") + "'")) << run.output;
  EXPECT_FALSE(testenv::Exists(folder.ProjectPath()));
}

}  // namespace
}  // namespace pipeline_tests
