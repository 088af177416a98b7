// The command line split and skip test of captured shortcuts, and the list of their targets.
#include "capture/shortcut_targets.h"

#include "capture/capture_filter.h"
#include "capture/path_translation.h"
#include "support/conversion_fixture.h"

namespace {

using namespace capture;

class ShortcutTargetsTest : public test_support::ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    LoadOptions({}, "[IgnoreShortcuts]\r\n1=C:\\Windows\\notepad.exe\r\n");
    capture::SetInstallDirPath("[ProgramFilesFolder]Acme");
  }
  void TearDown() override {
    capture::SetCaptureFilter(nullptr);
    ConversionTest::TearDown();
  }
};

TEST_F(ShortcutTargetsTest, CommandLinesSplitAfterTheProgram) {
  ShortcutCommand command = SplitShortcutCommandLine("C:\\Prog\\App.EXE /x");
  EXPECT_EQ(command.target, "C:\\Prog\\App.EXE");
  EXPECT_EQ(command.arguments, "/x");
  command = SplitShortcutCommandLine("C:\\Prog\\Readme.txt");
  EXPECT_EQ(command.target, "C:\\Prog\\Readme.txt");
  EXPECT_EQ(command.arguments, "");
  // A quoted program keeps its first character and loses its closing quote.
  command = SplitShortcutCommandLine("\"C:\\Program Files\\Acme\\app.exe\" -open \"a b.txt\"");
  EXPECT_EQ(command.target, "C:\\Program Files\\Acme\\app.exe");
  EXPECT_EQ(command.arguments, "-open \"a b.txt\"");
  EXPECT_EQ(SplitShortcutCommandLine("  ").target, "");
  EXPECT_EQ(SplitShortcutCommandLine("").target, "");
}

TEST_F(ShortcutTargetsTest, SkippedShortcutsAreNoTargets) {
  UseScript(
      "ScriptVersion('4.0')\r\n"
      "CreateLink('Acme','[ProgramFilesFolder]Acme\\app.exe','','','Programs\\Acme')\r\n"
      "CreateLink('Manual','C:\\Program Files\\Acme\\Manual.txt','','','Programs\\Acme')\r\n"
      "CreateLink('UNINSTALL Acme','[ProgramFilesFolder]Acme\\remove.exe','','','Programs\\Acme')\r\n"
      "CreateLink('Notes','C:\\Windows\\NOTEPAD.EXE','','','Programs\\Acme')\r\n"
      "CreateLink('Tool','[ProgramFilesFolder]Acme\\tool.exe','','','Programs\\Acme')\r\n");
  // A filter that excludes the Tool shortcut of the expanded folder.
  struct ExcludeTool : capture::CaptureFilter {
    bool IsShortcutExcluded(const std::string& folder, const std::string& linkName) const override {
      return folder == "[ProgramMenuFolder]Acme" && linkName == "Tool";
    }
  } filter;
  capture::SetCaptureFilter(&filter);

  EXPECT_TRUE(IsShortcutTarget("[INSTALLDIR]app.exe"));
  EXPECT_TRUE(IsShortcutTarget("[installdir]APP.EXE"));
  EXPECT_FALSE(IsShortcutTarget("[INSTALLDIR]app"));
  EXPECT_FALSE(IsShortcutTarget("[INSTALLDIR]remove.exe"));
  EXPECT_FALSE(IsShortcutTarget("[INSTALLDIR]tool.exe"));
  // A target outside the install directory stays as captured.
  EXPECT_TRUE(IsShortcutTarget("C:\\Program Files\\Acme\\Manual.txt"));
  EXPECT_EQ(ShortcutTargetFileNames(), (std::vector<std::string>{"app.exe", "Manual.txt"}));
  const capture::ShortcutEntry& ignored = script_->Shortcuts()[3];
  EXPECT_TRUE(IsSkippedShortcut(ignored));
  EXPECT_FALSE(IsSkippedShortcut(script_->Shortcuts()[0]));
}

}  // namespace
