#include "frontend/run_control.h"

#include <gtest/gtest.h>

#include <tuple>

#include "frontend/run_flags.h"
#include "options/repackager_settings.h"
#include "platform/host_paths.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "support/test_env.h"

using namespace core;
using namespace frontend;
using testenv::ReadText;
using testenv::WriteText;

TEST(ProjectPath, ExtensionOfTheFileNameBecomesVpx) {
  EXPECT_EQ(MakeProjectPath("C:\\cap\\app.inc", ""), "C:\\cap\\app.vpx");
  EXPECT_EQ(MakeProjectPath("C:\\cap\\app.inc", "out.msi"), "out.vpx");
  EXPECT_EQ(MakeProjectPath("/cap/app.inc", "/out/pkg"), "/out/pkg.vpx");
  EXPECT_EQ(MakeProjectPath("/cap/app.v1.inc", ""), "/cap/app.v1.vpx");
  // A dot in a folder name starts no extension.
  EXPECT_EQ(MakeProjectPath("C:\\my.cap\\app", ""), "C:\\my.cap\\app.vpx");
  EXPECT_EQ(MakeProjectPath("x.inc", "../out/pkg"), "../out/pkg.vpx");
}

// The results that the program's console tests (e2e/console_test) cannot bring about.
TEST(ExitCodes, ResultsMapToTheirCodeAndMessage) {
  const std::tuple<int, int, const char*> cases[] = {
      {kRunSucceeded, 0, ""}, {kRunReportedErrors, 1, ""}, {kRunEngineCorrupt, 4, "The converter engine is corrupt.\n"},
      {6, 0, ""}, {-1, 0, ""}};
  for (const auto& [result, exitCode, message] : cases) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(MapResultToExitCode(result), exitCode) << result;
    EXPECT_EQ(testing::internal::GetCapturedStdout(), message) << result;
  }
}

TEST(ConsoleSink, PrefixesAndTheErrorFlag) {
  Flags() = RunFlags();
  testing::internal::CaptureStdout();
  ConsoleMessageSink(MessageRecord{kWarning, "w", 0});
  ConsoleMessageSink(MessageRecord{kInformation, "i", 0});
  ConsoleMessageSink(MessageRecord{kBuildOutput, "b", 0});
  ConsoleMessageSink(MessageRecord{kStep, "s", 10});
  EXPECT_FALSE(Flags().errorReported);
  ConsoleMessageSink(MessageRecord{kError, "e", 0});
  EXPECT_TRUE(Flags().errorReported);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Warning: w\ni\nb\ns\nError: e\n");
  Flags() = RunFlags();
}

namespace {

// A program folder of its own (with or without the engine library) as the current directory,
// and a conversion log to see what the run was given.
class RunConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Flags() = RunFlags();
    previous_ = platform::CurrentDirectory();
    ASSERT_TRUE(platform::SetCurrentDirectory(program_.path()));
    WriteText(program_ / "QvEntity.DLL", "stand-in");
    ASSERT_TRUE(platform::WriteRegistryString(platform::RegistryRoot::LocalMachine, "Software\\Quillmark",
                                              "DebugFile", log_));
    ASSERT_TRUE(platform::WriteRegistryString(platform::RegistryRoot::LocalMachine, "Software\\Quillmark",
                                              "DebugRepackager", "4"));
  }
  void TearDown() override {
    platform::SetCurrentDirectory(previous_);
    Flags() = RunFlags();
    SetMessageCallback(nullptr);
    options::PublishRepackagerSettings(nullptr);
  }
  // The "Input : ...\r\nOutput: ..." lines of the last run's log.
  std::string InputOutput() {
    const std::string log = ReadText(log_);
    const size_t start = log.find("Input : ");
    if (start == std::string::npos) return std::string();
    const size_t end = log.find("\r\n\r\n", start);
    return end == std::string::npos ? log.substr(start) : log.substr(start, end + 4 - start);
  }
  // The run got as far as the pipeline. What the pipeline then makes of the capture (with the
  // engine and the template of the build, if they are built) is not this test's concern.
  static bool ReachedThePipeline(int result) { return result == kRunSucceeded || result == kRunReportedErrors; }

  testenv::RegistrySandbox registry_;
  testenv::TempDir program_;
  testenv::TempDir captures_;
  std::string log_ = captures_ / "conversion.log";
  std::string previous_;
};

}  // namespace

TEST_F(RunConversionTest, CaptureWithOptionsBesideIt) {
  const std::string capture = captures_ / "Cap/App.INC";
  WriteText(capture, "ScriptVersion=1\n");
  WriteText(captures_ / "Cap/Options.INI", "[General]\r\nProjectTemplate=C:\\old.vpx\r\nOther=1\r\n");

  // The capture's letter case and the options file's are resolved on disk.
  EXPECT_TRUE(ReachedThePipeline(RunConversion(captures_ / "cap/app.inc", "", true)));
  EXPECT_EQ(InputOutput(), "Input : " + captures_ / "cap/app.inc" + "\r\nOutput: " + captures_ / "cap/app.vpx" +
                               "\r\n\r\n");
  // The template setting stays without /notemplate.
  EXPECT_EQ(platform::GetProfileString("General", "ProjectTemplate", "", captures_ / "Cap/Options.INI"),
            "C:\\old.vpx");

  Flags().suppressTemplate = true;
  EXPECT_TRUE(ReachedThePipeline(RunConversion(capture, captures_ / "out/pkg.msi", false)));
  EXPECT_EQ(ReadText(captures_ / "Cap/Options.INI"), "[General]\r\nProjectTemplate=\r\nOther=1\r\n");
  EXPECT_NE(InputOutput().find("Output: " + captures_ / "out/pkg.vpx"), std::string::npos);

  // A capture whose name ends in .WRP in upper case is a capture script.
  WriteText(captures_ / "Cap/upper.WRP", "ScriptVersion=1\n");
  EXPECT_TRUE(ReachedThePipeline(RunConversion(captures_ / "Cap/upper.WRP", "", true)));
  EXPECT_NE(InputOutput().find("Output: " + captures_ / "Cap/upper.vpx"), std::string::npos);

  const auto settings = options::CurrentRepackagerSettings();
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->ProjectFilePath(), "");
  EXPECT_EQ(settings->SettingsFilePath(), registry_.dir() / "repackager/Repackager2.ini");
}

TEST_F(RunConversionTest, RepackagerProjectNamesCaptureAndOptions) {
  const std::string wrp = captures_ / "proj/app.wrp";
  WriteText(wrp,
            "[Files]\r\nINC=app.inc\r\nConversionOptions=Options.ini\r\n"
            "[Configuration]\r\nType=4\r\nFile=" + captures_ / "custom.ini" + "\r\n");
  WriteText(captures_ / "custom.ini", "[Registry-Excludes]\r\n");
  WriteText(captures_ / "proj/app.inc", "ScriptVersion=1\r\n");
  WriteText(captures_ / "proj/Options.ini", "[General]\r\nProjectTemplate=t.vpx\r\n");
  Flags().suppressTemplate = true;

  EXPECT_TRUE(ReachedThePipeline(RunConversion(wrp, captures_ / "out.msi", true)));
  EXPECT_EQ(InputOutput(), "Input : " + captures_ / "proj/app.inc" + "\r\nOutput: " + captures_ / "out.vpx" +
                               "\r\n\r\n");
  EXPECT_EQ(ReadText(captures_ / "proj/Options.ini"), "[General]\r\nProjectTemplate=\r\n");
  auto settings = options::CurrentRepackagerSettings();
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->ProjectFilePath(), wrp);
  EXPECT_EQ(settings->SettingsFilePath(), captures_ / "custom.ini");
  EXPECT_TRUE(settings->HasSettingsFile());

  // Names with a folder are used as they stand.
  WriteText(captures_ / "elsewhere/x.inc", "ScriptVersion=1\r\n");
  WriteText(captures_ / "elsewhere/Options.ini", "[General]\r\n");
  WriteText(wrp, "[Files]\r\nINC=" + captures_ / "elsewhere/x.inc" + "\r\nConversionOptions=" +
                     captures_ / "elsewhere/Options.ini" + "\r\n[Configuration]\r\nType=1\r\n");
  EXPECT_TRUE(ReachedThePipeline(RunConversion(wrp, "", true)));
  EXPECT_EQ(InputOutput(), "Input : " + captures_ / "elsewhere/x.inc" + "\r\nOutput: " +
                               captures_ / "elsewhere/x.vpx" + "\r\n\r\n");
  settings = options::CurrentRepackagerSettings();
  EXPECT_EQ(settings->SettingsFilePath(), registry_.dir() / "repackager/Repackager1.ini");
  EXPECT_FALSE(settings->HasSettingsFile());
}

TEST_F(RunConversionTest, RepackagerProjectWithMissingFilesIsAnError) {
  const std::string wrp = captures_ / "proj/app.wrp";
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunConversion(wrp, "", true), kRunReportedErrors);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: Can't open file '" + wrp + "'\n");

  // Both missing files are named, and the options file is not created by /notemplate.
  WriteText(wrp, "[Files]\r\nINC=app.inc\r\n");
  Flags() = RunFlags();
  Flags().suppressTemplate = true;
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunConversion(wrp, "", true), kRunReportedErrors);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: Can't open file '" + captures_ / "proj/app.inc" +
                                                        "'\nError: Can't open file '" + captures_ / "proj/Options.ini" +
                                                        "'\n");
  EXPECT_FALSE(testenv::Exists(captures_ / "proj/Options.ini"));
  EXPECT_FALSE(testenv::Exists(log_));
}

TEST(RepackagerSettingsFiles, TypesNameTheirFiles) {
  testenv::RegistrySandbox registry;
  using options::RepackagerSettings;
  for (int type = 1; type <= 3; ++type)
    EXPECT_EQ(RepackagerSettings::SettingsFileForType(type, "ignored"),
              registry.dir() / ("repackager/Repackager" + std::to_string(type) + ".ini"));
  EXPECT_EQ(RepackagerSettings::SettingsFileForType(4, "/x/mine.ini"), "/x/mine.ini");
  EXPECT_EQ(RepackagerSettings::SettingsFileForType(0, "/x/mine.ini"), "");
  EXPECT_EQ(RepackagerSettings::SettingsFileForType(5, "/x/mine.ini"), "");
}
