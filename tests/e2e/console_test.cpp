// The program as a user meets it: console output and exit codes of the built fernclip, run from
// a program folder of the test's own with a registry file of its own.
#include <gtest/gtest.h>
#include <unistd.h>

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
  EXPECT_EQ(result.out, "Warning: The registry file " + registry_ + ", line 1, is not a REGEDIT4 line; it is ignored.\n"
                        "Warning: /fakeguids: the GUID mode cannot be stored in the registry file " + registry_ +
                        " (it has lines that are not REGEDIT4, and is left as it is); real GUIDs are made.\n" +
                        kRealGuids + "The .inc file could not be found.\n");
  EXPECT_EQ(ReadText(registry_), "garbage that is no registry file");
}

TEST_F(ConsoleTest, RelativePathsAreTakenFromTheProgramFolderAndNoTemplateClearsTheTemplate) {
  WriteText(program_ / "cap/app.inc", "ScriptVersion=1\r\n");
  WriteText(program_ / "cap/Options.ini", "[General]\r\nProjectTemplate=C:\\Templates\\old.vpx\r\nBuildProduct=P\r\n");
  const testenv::ProgramResult result = Run({"cap/app.inc", "/vpxonly", "/notemplate"}, work_.path());
  EXPECT_EQ(result.out.find("could not be found"), std::string::npos) << result.out;
  EXPECT_EQ(ReadText(program_ / "cap/Options.ini"), "[General]\r\nProjectTemplate=\r\nBuildProduct=P\r\n");
}

namespace {

// A capture that converts and builds: one captured file, a product name that the code page of
// the capture spells with a byte above 127 ("Café" in Windows-1252).
std::string MakeBuildableCapture(const std::string& folder) {
  WriteText(folder + "/app.inc",
            "ScriptVersion('4.0')\r\nInstallFileList('[ProgramFilesFolder]Cafe'|0|0)\r\n"
            "%SCRIPTFOLDER%ProgramFilesFolder\\Cafe\\readme.txt\r\n");
  WriteText(folder + "/ProgramFilesFolder/Cafe/readme.txt", "hello");
  WriteText(folder + "/options.ini", "[General]\r\nProductName=Caf\xE9\r\n");
  return folder + "/app.inc";
}

// Cuts a file to half its size, as a copy that broke off does.
void CutInHalf(const std::string& file) { std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2); }

}  // namespace

TEST_F(ConsoleTest, DamagedAndMissingEngineLibraries) {
  const std::string capture = MakeBuildableCapture(work_ / "cap");
  const std::string entity = program_ / "QvEntity.DLL", builder = program_ / "SABuild.dll";
  std::filesystem::copy_file(entity, work_ / "entity.good");
  CutInHalf(entity);
  testenv::ProgramResult result = Run({capture});
  EXPECT_EQ(result.exitCode, 4) << result.out << result.err;
  EXPECT_NE(result.out.find("Error: QvEntity.DLL: "), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\nThe converter engine is corrupt.\n"), std::string::npos) << result.out;

  std::filesystem::copy_file(work_ / "entity.good", entity, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::copy_file(builder, work_ / "builder.good");
  CutInHalf(builder);
  result = Run({capture});
  EXPECT_EQ(result.exitCode, 4) << result.out << result.err;
  EXPECT_NE(result.out.find("Error: The engine library SABuild.dll is damaged: "), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\nThe converter engine is corrupt.\n"), std::string::npos) << result.out;

  std::filesystem::remove(builder);
  result = Run({capture});
  EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
  EXPECT_NE(result.out.find("Error: The engine library SABuild.dll was not found in " + program_.path() + ".\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("Error: Build failed.\n"), std::string::npos) << result.out;
  // The project was saved; no package was made.
  EXPECT_TRUE(testenv::Exists(work_ / "cap/app.vpx"));
  EXPECT_FALSE(testenv::Exists(work_ / "cap/Caf\xE9.msi"));
}

TEST_F(ConsoleTest, SettingsFilesThatReadAsLessThanTheyHoldAreReported) {
  // Registry file: a Version 5 header and a value with blanks around '=' are reported by line;
  // the good lines (the log) are read; the file is never rewritten, so /fakeguids cannot be
  // stored and real GUIDs are made.
  const std::string registry =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Quillmark]\r\n"
      "\"DebugFile\"=\"" + (work_ / "log.txt") + "\"\r\n\"Spaced\" = \"4\"\r\n\"DebugRepackager\"=\"4\"\r\n";
  WriteText(registry_, registry);
  // A capture in a folder whose name holds ".wrp" is a capture all the same; its options file
  // ends at a NUL byte.
  const std::string capture = MakeBuildableCapture(work_ / "old.wrp");
  const char options[] = "[General]\r\nProductName=Caf\xE9\r\n\0BuildCompressed=N\r\n";
  WriteText(work_ / "old.wrp/options.ini", std::string(options, sizeof options - 1));
  testenv::ProgramResult result = testenv::RunProgram(
      program_ / "fernclip", {capture, "/fakeguids"},
      {{"FERNCLIP_REGISTRY", registry_}, {"FERNCLIP_CODEPAGE", std::nullopt}, {"LC_ALL", "C.UTF-8"}}, work_.path());
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  const std::vector<std::string> expectedLines = {
      "Warning: The registry file " + registry_ + ", line 1, is not a REGEDIT4 line; it is ignored.",
      "Warning: The registry file " + registry_ + ", line 5, is not a REGEDIT4 line; it is ignored.",
      "Warning: /fakeguids: the GUID mode cannot be stored in the registry file " + registry_ +
          " (it has lines that are not REGEDIT4, and is left as it is); real GUIDs are made.",
      "(Will create real GUIDs).",
      "Warning: The options file " + (work_ / "old.wrp/options.ini") + " holds a NUL byte; only the text before it is read.",
      // Paths and names reach the terminal in its encoding (UTF-8 here), the log in UTF-8.
      "Package written: " + (work_ / "old.wrp/Caf\xC3\xA9.msi")};
  for (const std::string& line : expectedLines) EXPECT_NE(result.out.find(line + "\n"), std::string::npos) << line << "\n" << result.out;
  EXPECT_EQ(ReadText(registry_), registry);
  EXPECT_NE(ReadText(work_ / "log.txt").find("old.wrp/Caf\xC3\xA9.msi"), std::string::npos);

  // A relative registry path is taken from the folder the program was started in; a log path
  // that is a symbolic link is not followed.
  WriteText(work_ / "settings/registry.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Quillmark]\r\n\"DebugFile\"=\"" +
                                                 (work_ / "link.log") + "\"\r\n");
  WriteText(work_ / "precious.txt", "mine");
  std::filesystem::create_symlink(work_ / "precious.txt", work_ / "link.log");
  result = testenv::RunProgram(program_ / "fernclip", {capture, "/vpxonly"},
                               {{"FERNCLIP_REGISTRY", "settings/registry.reg"}, {"FERNCLIP_CODEPAGE", std::nullopt}},
                               work_.path());
  EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("Warning: The conversion log " + (work_ / "link.log") +
                            " cannot be written (it is a symbolic link); the run goes on without it.\n"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(ReadText(work_ / "precious.txt"), "mine");
}

TEST_F(ConsoleTest, OptionsFilesWithoutTheRightToReadOrWrite) {
  // Permissions bind root only without its capabilities to override them: drop them for the run.
  std::vector<std::string> prefix;
  if (geteuid() == 0) {
    prefix = {"--bounding-set", "-dac_override,-dac_read_search,-fowner", "--"};
    if (testenv::RunProgram("/usr/bin/setpriv", {prefix[0], prefix[1], "true"}).exitCode != 0)
      GTEST_SKIP() << "setpriv cannot drop the capabilities here";
  }
  auto run = [&](const std::vector<std::string>& arguments) {
    std::vector<std::string> line = prefix;
    line.push_back(program_ / "fernclip");
    line.insert(line.end(), arguments.begin(), arguments.end());
    return testenv::RunProgram(prefix.empty() ? line[0] : "/usr/bin/setpriv",
                               prefix.empty() ? std::vector<std::string>(line.begin() + 1, line.end()) : line,
                               {{"FERNCLIP_REGISTRY", registry_}, {"FERNCLIP_CODEPAGE", std::nullopt}}, work_.path());
  };
  namespace fs = std::filesystem;
  const std::string capture = MakeCapture("cap");
  const std::string options = work_ / "cap/options.ini";

  // /notemplate in a capture folder that takes no new file: the options file is written in place.
  fs::permissions(work_ / "cap", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  testenv::ProgramResult result = run({capture, work_ / "out/app.vpx", "/notemplate"});
  fs::permissions(work_ / "cap", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(ReadText(options), "[General]\r\nProjectTemplate=\r\nBuildProduct=P\r\n") << result.out;

  // A read-only options file is left as it is, with a warning; the run still uses the blank
  // template.
  WriteText(options, "[General]\r\nProjectTemplate=C:\\Templates\\old.vpx\r\n");
  fs::permissions(options, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  result = run({capture, "/vpxonly", "/notemplate"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_NE(result.out.find("Warning: Unable to write to Options.ini: section='General', key='ProjectTemplate'"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(ReadText(options), "[General]\r\nProjectTemplate=C:\\Templates\\old.vpx\r\n");

  // An options file that cannot be read converts with the defaults, and says so.
  fs::permissions(options, fs::perms::none);
  result = run({capture, "/vpxonly"});
  fs::permissions(options, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_NE(result.out.find("Warning: The options file " + options + " cannot be read; every option takes its default.\n"),
            std::string::npos)
      << result.out;
}
