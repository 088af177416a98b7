#include "options/project_options.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/test_env.h"

using namespace options;
using testenv::WriteText;

namespace {

class OptionsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Options().Reset();
    SetOptionsPath("");
  }
  std::string Write(const std::string& contents, const std::string& name = "Options.ini") {
    const std::string path = dir_ / name;
    WriteText(path, contents);
    return path;
  }
  testenv::RegistrySandbox registry_;
  testenv::TempDir dir_;
};

}  // namespace

TEST_F(OptionsTest, DefaultsApplyToAbsentAndEmptyKeys) {
  Options().Load(Write("[General]\r\nBuildProduct=\r\nProductName=My App\r\n"));
  const ProjectOptions& o = Options();
  EXPECT_EQ(o.BuildProduct(), "Product1");
  EXPECT_EQ(o.BuildRelease(), "Release1");
  EXPECT_EQ(o.ProductName(), "My App");
  EXPECT_EQ(o.InstallDir(), "");
  EXPECT_EQ(o.ProjectTemplate(), "");
  // Switches default to "Y", or to "N".
  using Switch = bool (ProjectOptions::*)() const;
  const Switch onByDefault[] = {
      &ProjectOptions::EnablePathVariables, &ProjectOptions::UseMergeModules, &ProjectOptions::UseAdvertisedShortcuts,
      &ProjectOptions::SharedCommonFiles, &ProjectOptions::PermanentSystemFiles, &ProjectOptions::AllUsers,
      &ProjectOptions::COMMapping, &ProjectOptions::HandleUserProfileComponents, &ProjectOptions::BuildCompressed,
      &ProjectOptions::AutoUpgrade, &ProjectOptions::BuildMSI, &ProjectOptions::SkipMMIfShortcut,
      &ProjectOptions::BuildProScannedFiles, &ProjectOptions::BuildStaticScannedFiles,
      &ProjectOptions::MultiUserShortcuts, &ProjectOptions::BuildFeatures};
  const Switch offByDefault[] = {
      &ProjectOptions::OtherFilesNewComponents, &ProjectOptions::UseHKCUProxy, &ProjectOptions::LimitedUI,
      &ProjectOptions::PermanentSystemFilesSubfolders, &ProjectOptions::ODBCMapping,
      &ProjectOptions::ServiceControlEvents, &ProjectOptions::IgnoreIniComments, &ProjectOptions::UseBuildPath,
      &ProjectOptions::CreateSetupExe, &ProjectOptions::Build64Bit, &ProjectOptions::FailOnValidationErrors, &ProjectOptions::MMPathVersion, &ProjectOptions::UseLanguage,
      &ProjectOptions::OSGranular};
  for (size_t i = 0; i < std::size(onByDefault); ++i) EXPECT_TRUE((o.*onByDefault[i])()) << "switch " << i;
  for (size_t i = 0; i < std::size(offByDefault); ++i) EXPECT_FALSE((o.*offByDefault[i])()) << "switch " << i;

  // A missing file gives every default too.
  Options().Load(dir_ / "missing.ini");
  EXPECT_EQ(Options().BuildRelease(), "Release1");
  EXPECT_TRUE(Options().COMMapping());
  // Reset empties the texts.
  Options().Reset();
  EXPECT_EQ(Options().BuildProduct(), "");
  EXPECT_EQ(Options().OptionsPath(), "");
}

TEST_F(OptionsTest, SwitchesNeedAnUpperCaseY) {
  Options().Load(Write(
      "[General]\nCOMMapping=Yes\nAllUsers=yes\nODBCMapping=Y\nUseLanguage=1\nLimitedUI=YES please\n"
      "OtherFilesNewComponents=Yes\nCreateSetupExe=n\nEnablePathVariables=N\n"));
  EXPECT_TRUE(Options().COMMapping());
  EXPECT_FALSE(Options().AllUsers());
  EXPECT_TRUE(Options().ODBCMapping());
  EXPECT_FALSE(Options().UseLanguage());
  EXPECT_TRUE(Options().LimitedUI());
  EXPECT_FALSE(Options().OtherFilesNewComponents());  // only exactly "Y"
  EXPECT_FALSE(Options().CreateSetupExe());
  EXPECT_FALSE(Options().EnablePathVariables());

  Options().Load(Write("[General]\nOtherFilesNewComponents=Y\nBuildMSI=N\n"));
  EXPECT_TRUE(Options().OtherFilesNewComponents());
  EXPECT_FALSE(Options().BuildMSI());  // until the pipeline sets it from the command line
  Options().SetBuildMSI(true);
  EXPECT_TRUE(Options().BuildMSI());
}

TEST_F(OptionsTest, InstallDirCleaningAndAuthorFilter) {
  Options().Load(Write("[General]\nINSTALLDIR=C:\\\\Program Files\\\\App\nSISAuthor=quillmark software CORPORATION\n"));
  EXPECT_EQ(Options().InstallDir(), "C:\\Program Files\\App");
  EXPECT_EQ(Options().SISAuthor(), "");

  Options().Load(Write("[General]\nINSTALLDIR=\\\\server\\\\share\\\\App\nSISAuthor=Acme Ltd\n"));
  EXPECT_EQ(Options().InstallDir(), "\\\\server\\share\\App");
  EXPECT_EQ(Options().SISAuthor(), "Acme Ltd");

  Options().Load(Write("[General]\nINSTALLDIR=[ProgramFilesFolder]App\\\n"));
  EXPECT_EQ(Options().InstallDir(), "[ProgramFilesFolder]App\\");
}

TEST_F(OptionsTest, FindsTheFileFromFoldersAndOtherNames) {
  Write("[General]\nProductName=From Options\n");
  Write("[General]\nProductName=From Setup\n", "setup.ini");
  Options().Load(dir_.path() + "/");
  EXPECT_EQ(Options().ProductName(), "From Options");
  EXPECT_EQ(Options().ResolvedPath(), dir_.path() + "/Options.ini");
  Options().Load(dir_ / "setup.ini");
  EXPECT_EQ(Options().ProductName(), "From Setup");
  Options().Load(dir_ / "capture.inc");
  EXPECT_EQ(Options().ProductName(), "From Options");
  EXPECT_EQ(Options().OptionsPath(), dir_ / "capture.inc");
  // A dot in a folder name starts no extension; Windows paths are cut at their backslash.
  EXPECT_EQ(ResolveOptionsPath("/cap.d/app"), "/cap.d/Options.ini");
  EXPECT_EQ(ResolveOptionsPath("C:\\cap\\"), "C:\\cap\\Options.ini");
  EXPECT_EQ(ResolveOptionsPath("app.inc"), "Options.ini");
  EXPECT_EQ(ResolveOptionsPath(""), "");
}

TEST_F(OptionsTest, SequenceSwitchesFallBackToTheRegistry) {
  using platform::RegistryRoot;
  SetOptionsPath(Write("[Sequence]\nNIR=N\nMapping=Yes\nINI=\nShortcuts=y\n"));
  const std::string fallbackKey = "Software\\Quillmark\\Brightvale\\INCConversion\\Options.ini\\Sequence";
  ASSERT_TRUE(platform::WriteRegistryString(RegistryRoot::LocalMachine, fallbackKey, "INI", "N"));
  ASSERT_TRUE(platform::WriteRegistryString(RegistryRoot::LocalMachine, fallbackKey, "NIR", "Y"));
  ASSERT_TRUE(platform::WriteRegistryString(RegistryRoot::LocalMachine, fallbackKey, "RegistryTable", "No"));

  EXPECT_FALSE(SequenceSwitch("NIR"));           // the file wins over the registry
  EXPECT_TRUE(SequenceSwitch("Mapping"));
  EXPECT_FALSE(SequenceSwitch("INI"));           // empty in the file, "N" in the registry
  EXPECT_FALSE(SequenceSwitch("RegistryTable"));  // absent in the file
  EXPECT_TRUE(SequenceSwitch("EnvMapping"));     // absent in both
  EXPECT_FALSE(SequenceSwitch("Shortcuts"));
  EXPECT_EQ(ReadOptionValue("Sequence", "RegistryTable", "Y"), "No");
  EXPECT_EQ(ReadOptionValue("Other", "Key", "dflt"), "dflt");

  // Read afresh at every call.
  Write("[Sequence]\nNIR=Y\n");
  EXPECT_TRUE(SequenceSwitch("NIR"));
}

TEST_F(OptionsTest, SectionReaders) {
  SetOptionsPath(Write(
      "[Component Naming Conventions]\nFilePrefix=App_\nFontSuffix=\n"
      "[MMExclusions]\nmsvcrt.dll=1\nX=a=b\nNoEquals\n; skipped=1\n"));
  EXPECT_EQ(ReadSectionValue("Component Naming Conventions", "fileprefix", "d"), "App_");
  EXPECT_EQ(ReadSectionValue("Component Naming Conventions", "FontSuffix", "d"), "");
  EXPECT_EQ(ReadSectionValue("Component Naming Conventions", "Missing", "d"), "d");
  const std::vector<std::string> expected = {"1", "a=b", "NoEquals"};
  EXPECT_EQ(ReadSectionList("MMExclusions"), expected);
  EXPECT_TRUE(ReadSectionList("IgnoreShortcuts").empty());

  SetOptionsPath("");
  EXPECT_EQ(ReadSectionValue("Component Naming Conventions", "FilePrefix", "d"), "d");
  EXPECT_TRUE(ReadSectionList("MMExclusions").empty());
}

TEST_F(OptionsTest, TextEndsAtANulByteAndUnreadableFilesGiveDefaults) {
  const char cut[] = "[General]\nBuildProduct=Mine\n\0\0BuildRelease=Lost";
  Options().Load(Write(std::string(cut, sizeof cut - 1)));
  EXPECT_EQ(Options().BuildProduct(), "Mine");
  EXPECT_EQ(Options().BuildRelease(), "Release1");
  Options().Load(dir_.path() + "/Options.ini/");  // a path through a file
  EXPECT_EQ(Options().BuildProduct(), "Product1");
}
