// The program as a user meets it: console output and exit codes of the built fernclip, run from
// a program folder of the test's own with a registry file of its own.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_program.h"
#include "support/test_env.h"

using testenv::ReadText;
using testenv::WriteText;

namespace {

const char* const kUsage =
    "Fernclip - Quillmark Repackager Conversion Utility\n"
    "Usage: fernclip <inputfile> <outputfile> [/fakeguids] [/vpxonly] [/notemplate]\n\n"
    "Now accepts .wrp filenames as well as raw .inc filenames.\n\n"
    "Requires the Lanthorn Standalone Build to be in the current directory.\n\n"
    "If /fakeguids is specified, then all guids in the .msi package\n"
    "are generated so that they are always the same for every package.\n"
    "(WARNING: the resulting .msi is NOT a valid, installable package).\n\n"
    "If /vpxonly is specified, then an .vpx is created\n"
    "but not built into an .msi package.\n\n"
    "If /notemplate is specified, then any ProjectTemplate value in the Options.ini\n"
    "file is ignored and the default template (QvProjBlankTpl.vpx) is used instead.\n\n";

const char* const kRealGuids = "(Will create real GUIDs).\n";
const char* const kFakeGuids = "(Will create fake GUIDs.)\n";

class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The program with the engine as built, in a folder of its own.
    for (const char* name : {"fernclip", "QvEntity.DLL", "QvUpgrd.dll", "QvAppSvc.dll", "SABuild.dll", "QvMMCat.dll",
                             "QvProjBlankTpl.vpx"})
      std::filesystem::copy_file(std::string(FERNCLIP_BUILD_DIR) + "/" + name, program_ / name);
  }

  testenv::ProgramResult Run(const std::vector<std::string>& arguments, const std::string& workingDirectory = "") {
    return testenv::RunProgram(program_ / "fernclip", arguments,
                               {{"FERNCLIP_REGISTRY", registry_}, {"FERNCLIP_CODEPAGE", std::nullopt}},
                               workingDirectory.empty() ? work_.path() : workingDirectory);
  }
  void SetRegistry(const std::string& body) { WriteText(registry_, "REGEDIT4\r\n\r\n" + body); }
  std::string MakeCapture(const std::string& folder) {
    WriteText(work_ / (folder + "/app.inc"), "ScriptVersion=1\r\n");
    WriteText(work_ / (folder + "/options.ini"), "[General]\r\nProjectTemplate=C:\\Templates\\old.vpx\r\nBuildProduct=P\r\n");
    return work_ / (folder + "/app.inc");
  }

  testenv::TempDir program_;
  testenv::TempDir work_;
  testenv::TempDir config_;
  std::string registry_ = config_ / "registry.reg";
};

}  // namespace

TEST_F(ConsoleTest, RejectedCommandLinesShowTheUsage) {
  const std::vector<std::vector<std::string>> rejected = {
      {}, {"a.inc", "b.msi", "/fakeguids", "/vpxonly"}, {"a.inc", "/bogus"}, {"a.inc", "-x"}};
  for (const auto& arguments : rejected) {
    const testenv::ProgramResult result = Run(arguments);
    EXPECT_EQ(result.exitCode, 1) << arguments.size();
    EXPECT_EQ(result.out, kUsage);
    EXPECT_EQ(result.err, "");
  }
  EXPECT_FALSE(testenv::Exists(registry_));
}

TEST_F(ConsoleTest, MissingEngineCaptureAndOptions) {
  const std::string capture = MakeCapture("cap");
  std::filesystem::remove(work_ / "cap/options.ini");

  for (const std::string& missing : {work_ / "missing.inc", work_ / "cap", std::string()}) {
    const testenv::ProgramResult result = Run({missing});
    EXPECT_EQ(result.out, std::string(kRealGuids) + "The .inc file could not be found.\n") << missing;
    EXPECT_EQ(result.exitCode, 1) << missing;
  }

  testenv::ProgramResult result = Run({capture});
  EXPECT_EQ(result.out, std::string(kRealGuids) + "The options.ini file could not be found.\n");
  EXPECT_EQ(result.exitCode, 2);

  std::filesystem::remove(program_ / "QvEntity.DLL");
  result = Run({capture});
  EXPECT_EQ(result.out, std::string(kRealGuids) + "Converter engine could not be found.\n");
  EXPECT_EQ(result.exitCode, 3);
  result = Run({work_ / "cap/project.wrp"});
  EXPECT_EQ(result.exitCode, 3);
}

TEST_F(ConsoleTest, FakeGuidsValueIsRemovedUnlessItWasThereBefore) {
  testenv::ProgramResult result = Run({"/fakeguids", "x.inc"});
  EXPECT_EQ(result.out, std::string(kFakeGuids) + "The .inc file could not be found.\n");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(ReadText(registry_).find("FakeGuids"), std::string::npos) << ReadText(registry_);

  // Also after a rejected command line.
  result = Run({"x.inc", "-fakeguids", "/bogus"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(ReadText(registry_).find("FakeGuids"), std::string::npos);

  SetRegistry("[HKEY_LOCAL_MACHINE\\Software\\Quillmark\\Brightvale]\r\n\"FakeGuids\"=\"1\"\r\n");
  result = Run({"x.inc", "/fakeguids"});
  EXPECT_EQ(result.out, std::string(kFakeGuids) + "The .inc file could not be found.\n");
  EXPECT_NE(ReadText(registry_).find("\"FakeGuids\"=\"1\""), std::string::npos);
  result = Run({"x.inc"});
  EXPECT_EQ(result.out, std::string(kFakeGuids) + "The .inc file could not be found.\n");
  EXPECT_NE(ReadText(registry_).find("\"FakeGuids\"=\"1\""), std::string::npos);

  // A registry file that cannot be written: real GUIDs, and the file is left as it was.
  WriteText(registry_, "garbage that is no registry file");
  result = Run({"x.inc", "/fakeguids"});
  EXPECT_EQ(result.out, std::string(kRealGuids) + "The .inc file could not be found.\n");
  EXPECT_EQ(ReadText(registry_), "garbage that is no registry file");
}

TEST_F(ConsoleTest, RelativePathsAreTakenFromTheProgramFolderAndNoTemplateClearsTheTemplate) {
  WriteText(program_ / "cap/app.inc", "ScriptVersion=1\r\n");
  WriteText(program_ / "cap/Options.ini", "[General]\r\nProjectTemplate=C:\\Templates\\old.vpx\r\nBuildProduct=P\r\n");
  const testenv::ProgramResult result = Run({"cap/app.inc", "/vpxonly", "/notemplate"}, work_.path());
  EXPECT_EQ(result.out.find("could not be found"), std::string::npos) << result.out;
  EXPECT_EQ(ReadText(program_ / "cap/Options.ini"), "[General]\r\nProjectTemplate=\r\nBuildProduct=P\r\n");
}
