// Path translation with a project open: directories come from the project, environment folders
// become directory properties set by custom actions, variables with absolute paths become
// project directories. Read back from the saved project.
#include "capture/path_translation.h"

#include "capture/registry_model.h"
#include "capture/registry_text.h"
#include "capture_fixture.h"
#include "content/custom_action_writer.h"
#include "project/keys.h"
#include "project/vpx_writer.h"
#include "support/engine_presence.h"
#include "support/msi_dump.h"

using namespace capture;

namespace {

class OpenProjectPathTest : public capturetest::CaptureTest {
 protected:
  void SetUp() override {
    SKIP_UNLESS_ENGINE_IS_BUILT();
    CaptureTest::SetUp();
    content::ResetSequenceLists();
    writer_ = std::make_unique<project::VpxWriter>();
    writer_->Open(dir_ / "test.vpx");
    ASSERT_TRUE(writer_->IsOpen());
    project::SetCurrentProjectWriter(writer_.get());
  }
  void TearDown() override {
    project::SetCurrentProjectWriter(nullptr);
    writer_.reset();
    content::ResetSequenceLists();
    project::ClearUsedKeys();
    CaptureTest::TearDown();
  }
  std::vector<std::vector<std::string>> Rows(const std::string& table) {
    EXPECT_TRUE(writer_->Save());
    return test_support::DumpTable(dir_ / "test.vpx", table);
  }
  static bool HasRow(const std::vector<std::vector<std::string>>& rows, const std::vector<std::string>& start) {
    for (const auto& row : rows)
      if (row.size() >= start.size() && std::equal(start.begin(), start.end(), row.begin())) return true;
    return false;
  }
  std::unique_ptr<project::VpxWriter> writer_;
};

TEST_F(OpenProjectPathTest, EnvironmentFoldersInValueAndDirectoryMode) {
  UseScript("4.0");
  std::string text = "[TEMP]x.log";
  EXPECT_TRUE(ToInstallerPath(text, false, false));
  EXPECT_EQ(text, "[%TEMP]x.log");
  for (std::string left : {"[Temp]x", "[USERNAME]x", "[MY DIR]x", "[\\x]"}) {
    const std::string before = left;
    ApplyEnvironmentFolder(left, false);
    EXPECT_EQ(left, before);
  }
  // The project's own directories are folder references, not environment variables.
  std::string installDir = "[INSTALLDIR]\\bin";
  ToInstallerPath(installDir, true, false);
  EXPECT_EQ(installDir, "[INSTALLDIR]bin");
  EXPECT_FALSE(writer_->IsKnownDirectory("QvINSTALLDIR"));

  std::string folder = "[TEMP]\\Sub";
  EXPECT_TRUE(ToInstallerPath(folder, true, false));
  EXPECT_EQ(folder, "[QvTEMP]Sub");
  EXPECT_TRUE(writer_->IsKnownDirectory("QvTEMP"));
  EXPECT_TRUE(HasRow(Rows("CustomAction"), {"QvTEMP", "35", "QvTEMP", "[%TEMP]"}));
  EXPECT_TRUE(HasRow(Rows("Directory"), {"QvTEMP", "TARGETDIR", "."}));
  EXPECT_TRUE(HasRow(Rows("InstallExecuteSequence"), {"QvTEMP"}));
}

TEST_F(OpenProjectPathTest, PercentNamesBecomeFolderReferencesInTheInstallersLetterCase) {
  UseScript("4.0");
  // A captured folder below the Windows folder that is keyed "Temp", as deleted files make one.
  writer_->AddDirectory("Temp", "WindowsFolder", "Temp");
  std::string text = "%TEMP%\\x";
  EXPECT_FALSE(PercentPairToBracket(text));
  EXPECT_EQ(text, "%TEMP%\\x");
  text = "%Temp%\\x";
  EXPECT_TRUE(PercentPairToBracket(text));
  EXPECT_EQ(text, "[Temp]\\x");
  // Standard folders in any letter case take the installer's spelling.
  text = "%programfilesfolder%\\App";
  EXPECT_TRUE(PercentPairToBracket(text));
  EXPECT_EQ(text, "[ProgramFilesFolder]\\App");
  EXPECT_EQ(FolderPropertyKey("SYSTEMFOLDER"), "SystemFolder");
  EXPECT_EQ(FolderPropertyKey("temp"), "");

  // An expandable string keeps the environment variable for the target machine to expand.
  RegValue expandable = RegValue::Parse("\"Cache\"=hex(2):25,54,45,4d,50,25,5c,78,00");
  EXPECT_EQ(expandable.Data(), "%TEMP%\\x");
  EXPECT_EQ(GetRegistryTableValue(expandable), "#%%TEMP%\\x");
  RegValue plain = RegValue::Parse("\"Log\"=\"%TEMP%\\\\x.log\"");
  EXPECT_EQ(GetRegistryTableValue(plain), "%TEMP%\\x.log");
  RegValue folder = RegValue::Parse("\"Tool\"=hex(2):25,77,69,6e,64,69,72,25,5c,78,2e,65,78,65,00");
  EXPECT_EQ(GetRegistryTableValue(folder), "#%[WindowsFolder]x.exe");
}

TEST_F(OpenProjectPathTest, AbsoluteVariablesBecomeProjectDirectories) {
  UseScript("4.0", "Set('APPDATA_DIR','D:\\Data\\App')\r\nSet('SHARE','\\\\server\\share\\x')\r\n");
  std::string text = "%APPDATA_DIR%\\Logs\\a.log";
  EXPECT_TRUE(ToInstallerPath(text, true, false));
  EXPECT_EQ(text, "[APPDATA_DIR]Logs\\a.log");
  EXPECT_TRUE(writer_->IsKnownDirectory("APPDATA_DIR"));
  // Plain mode and network paths keep the value itself.
  text = "%APPDATA_DIR%\\Logs";
  ApplyScriptVariable(text, true);
  EXPECT_EQ(text, "D:\\Data\\App\\Logs");
  text = "%SHARE%\\y";
  ApplyScriptVariable(text, false);
  EXPECT_EQ(text, "\\\\server\\share\\x\\y");
  EXPECT_TRUE(IsFolderReference("[APPDATA_DIR]"));
  EXPECT_TRUE(IsFolderReference("[ProgramFilesFolder]App"));
  EXPECT_FALSE(IsFolderReference("[NotADirectory]"));
}

}  // namespace
