#include "frontend/capture_steps.h"

#include "capture/path_translation.h"
#include "capture/registry_model.h"
#include "support/conversion_fixture.h"

using capture::CaptureScript;

namespace {

class CaptureStepsTest : public test_support::ConversionTest {
 protected:
  CaptureScript& Script(const std::string& text) {
    testenv::WriteText(dir_ / "app.inc", text);
    script_ = std::make_unique<CaptureScript>(dir_ / "app.inc");
    capture::SetCurrentCaptureScript(script_.get());
    return *script_;
  }
};

TEST_F(CaptureStepsTest, ReadingWarnsWithoutInstallDirAndTracesTheVersion) {
  const std::string log = dir_ / "conversion.log";
  core::OpenConversionLogAt(log, core::kTraceGeneral);
  CaptureScript& script = Script("ScriptVersion('4.2')\r\nSet('APPDIR','D:\\Apps')\r\n");
  frontend::ReadCapture(script);
  core::CloseConversionLog();
  EXPECT_EQ(WarningTexts().at(0),
            "No INSTALLDIR definition was found in the Options.ini file.  This may lead to "
            "unexpected results unless a suitable value exists in the project template.");
  EXPECT_NE(testenv::ReadText(log).find("Script version: 4.2"), std::string::npos);
  EXPECT_EQ(capture::InstallDirPath(), "");

  Messages().clear();
  LoadOptions({{"INSTALLDIR", "%APPDIR%\\Tool"}, {"EnablePathVariables", "N"}});
  frontend::ReadCapture(Script("ScriptVersion('4.2')\r\nSet('APPDIR','D:\\Apps')\r\n"));
  EXPECT_TRUE(WarningTexts().empty());
  EXPECT_EQ(capture::InstallDirPath(), "D:\\Apps\\Tool\\");
}

TEST_F(CaptureStepsTest, OemEditsAndMachineSpecificPathsAreReported) {
  CaptureScript& script = Script(
      "ModifyOemEx('config.sys')\r\nDEVICE=x.sys\r\nFILES=40\r\nEndProc\r\n"
      "Set('APPDIR','D:\\Apps')\r\nSet('FOLDER','%ProgramFilesFolder%\\App')\r\n"
      "Set('DIR','[WindowsFolder]x')\r\nSet('EMPTY','')\r\n");
  script.ReadScript();
  frontend::ReportOemEdits(script);
  frontend::WarnMachineSpecificPaths(script);
  const std::vector<std::string> expected = {
      "This installation includes changes to base operating system file 'config.sys'.  These "
      "changes are not supported and may require a custom action be created manually for the "
      "application to work. The installation performed the following changes:",
      "DEVICE=x.sys", "FILES=40",
      "The path 'D:\\Apps' appears to be a machine-specific path. The repackaged installation may "
      "not function if this path does not exist on client machines."};
  EXPECT_EQ(WarningTexts(), expected);
}

}  // namespace
