// Captured paths translated into installer folders: the folder rules, the Windows volume, the
// install directory and script variables, embedded paths, command lines, source paths, and with
// a project open, environment folders and variables that become project directories.
#include "capture/path_translation.h"

#include "capture/folder_rules.h"
#include "capture/registry_model.h"
#include "capture/registry_text.h"
#include "support/conversion_fixture.h"

using namespace capture;

namespace {

class PathTest : public test_support::ConversionTest {
 protected:
  CaptureScript& UseVersion(const std::string& version, const std::string& lines = "") {
    return UseScript("ScriptVersion('" + version + "')\r\n" + lines);
  }
  static std::string Installer(std::string text, bool directoryMode = true) {
    ToInstallerPath(text, directoryMode, false);
    return text;
  }
  template <class Operation>
  static std::string Apply(std::string text, Operation operation) {
    operation(text);
    return text;
  }
};

TEST_F(PathTest, FolderRulesReplaceTheFirstOccurrenceInOrder) {
  UseVersion("4.0");
  const std::pair<const char*, const char*> percent[] = {
      {"%windir%\\system32\\drivers", "%SystemFolder%\\drivers"},  // before the rule for %windir%
      {"%windir%\\system32", "%SystemFolder%"},
      {"%WINDIR%\\Fonts", "%WindowsFolder%\\Fonts"},
      {"%windir%;%windir%", "%WindowsFolder%;%windir%"},
      {"%ProgramFilesDir%\\App", "%ProgramFilesFolder%\\App"},
      {"%SystemRoot%\\System32\\x.exe", "%SystemFolder%\\x.exe"},
      {"\\SystemRoot\\system32\\drivers\\x.sys", "%SystemFolder%\\drivers\\x.sys"},
      {"\\SystemRoot\\x.exe", "%WindowsFolder%\\x.exe"},
  };
  for (const auto& [text, expected] : percent)
    EXPECT_EQ(Apply(text, [](std::string& t) { NormalizePercentFolders(t); }), expected) << text;
  const std::pair<const char*, const char*> backslash[] = {
      {"C:\\cap\\windir\\system32\\a.dll", "C:\\cap\\SystemFolder\\a.dll"},
      {"C:\\cap\\WINSYSDIR\\a.dll", "C:\\cap\\SystemFolder\\a.dll"},
      {"C:\\cap\\programfilesdir\\App\\", "C:\\cap\\ProgramFilesFolder\\App\\"},
  };
  for (const auto& [text, expected] : backslash)
    EXPECT_EQ(Apply(text, [](std::string& t) { NormalizeBackslashFolders(t); }), expected) << text;
}

TEST_F(PathTest, WindowsVolumeOnlyForOlderScripts) {
  auto bracket = [](std::string& t) { ApplyWindowsVolume(t, true); };
  UseVersion("3.5");
  EXPECT_EQ(Apply("C:\\Data", bracket), "C:\\Data");
  UseVersion("3.0");
  EXPECT_EQ(Apply("C:\\Data", bracket), "[WindowsVolume]Data");
  EXPECT_EQ(Apply("c:", bracket), "[WindowsVolume]");
  EXPECT_EQ(Apply("c:\\data", [](std::string& t) { ApplyWindowsVolume(t, false); }), "windowsvolume\\data");
  EXPECT_EQ(Apply("D:\\Data", bracket), "D:\\Data");
  EXPECT_EQ(Installer("C:\\Data\\x.txt"), "[WindowsVolume]Data\\x.txt");
  SetCurrentCaptureScript(nullptr);  // no script counts as a very old one
  EXPECT_EQ(Apply("C:\\x", bracket), "[WindowsVolume]x");
}

TEST_F(PathTest, InstallerPathsFromFolderNotations) {
  UseVersion("4.0");
  EXPECT_EQ(Installer("%windir%\\notepad.exe"), "[WindowsFolder]notepad.exe");
  EXPECT_EQ(Installer("%SystemRoot%\\system32\\x.dll"), "[SystemFolder]x.dll");
  EXPECT_EQ(Installer("[ProgramFilesFolder]\\App\\a.exe"), "[ProgramFilesFolder]App\\a.exe");
  EXPECT_EQ(Installer("D:\\Somewhere\\x"), "D:\\Somewhere\\x");
  std::string unchanged = "relative\\x";
  EXPECT_FALSE(ToInstallerPath(unchanged, true, false));
  std::string folder = "%SystemFolder%\\drivers";
  EXPECT_TRUE(ToInstallerFolder(folder, true, false));
  EXPECT_EQ(folder, "[SystemFolder]drivers\\");
}

TEST_F(PathTest, InstallDirectoryAndScriptVariables) {
  UseVersion("4.0",
             "Set('APPDIR','C:\\Program Files\\App')\r\n"
             "Set('_DATA','[CommonAppDataFolder]Vendor')\r\n"
             "Set('SHARE','\\\\server\\share\\dir')\r\n"
             "Set('LOOP','%LOOP%')\r\n");
  SetInstallDirPath("%APPDIR%");
  EXPECT_EQ(InstallDirPath(), "C:\\Program Files\\App\\");
  EXPECT_EQ(Installer("c:\\program files\\app\\bin\\x.exe"), "[INSTALLDIR]bin\\x.exe");
  EXPECT_EQ(Installer("C:\\Program Files\\App"), "[INSTALLDIR]");
  EXPECT_EQ(Installer("%APPDIR%\\bin\\x.exe"), "[INSTALLDIR]bin\\x.exe");
  std::string quoted = "\"C:\\Program Files\\App\\x.exe\" /s";
  EXPECT_TRUE(ApplyInstallDir(quoted));
  EXPECT_EQ(quoted, "\"[INSTALLDIR]x.exe\" /s");
  SetInstallDirEnabled(false);
  EXPECT_EQ(Installer("C:\\Program Files\\App\\x.exe"), "C:\\Program Files\\App\\x.exe");
  SetInstallDirEnabled(true);

  auto plainVariable = [](std::string& t) { ApplyScriptVariable(t, true); };
  EXPECT_EQ(Apply("[_DATA]\\Logs", plainVariable), "[CommonAppDataFolder]Vendor\\Logs");
  EXPECT_EQ(Apply("%SHARE%\\x", [](std::string& t) { ApplyScriptVariable(t, false); }), "\\\\server\\share\\dir\\x");
  EXPECT_EQ(Apply("%appdir%\\x", plainVariable), "%appdir%\\x");  // names are case-sensitive
  EXPECT_EQ(Apply("x%APPDIR%", plainVariable), "x%APPDIR%");
  // A variable that names itself does not hang the install directory.
  SetInstallDirPath("%LOOP%");
  EXPECT_FALSE(InstallDirPath().empty());
  SetInstallDirPath("");
  EXPECT_EQ(Installer("C:\\Program Files\\App\\x.exe"), "C:\\Program Files\\App\\x.exe");
}

TEST_F(PathTest, EmbeddedPathsAndFormattedText) {
  UseVersion("4.0");
  auto embedded = [](std::string& t) { ConvertEmbeddedPaths(t, true, false); };
  EXPECT_EQ(Apply("\"%ProgramFilesFolder%\\App\\run.exe\" /s", embedded), "\"[ProgramFilesFolder]App\\run.exe\" /s");
  EXPECT_EQ(Apply("%windir%\\a.exe %SystemFolder%\\b.dll", embedded), "[WindowsFolder]a.exe [SystemFolder]b.dll");
  EXPECT_EQ(Apply("_Short(%windir%\\a.exe)", embedded), "[WindowsFolder]a.exe");
  EXPECT_EQ(Apply("50% off", embedded), "50% off");
  EXPECT_EQ(Apply("100%% [sure]", ToFormattedText), "100% [\\[]sure[\\]]");
  EXPECT_EQ(Apply("%windir%\\system32\\x.dll", ConvertValuePath), "%SystemFolder%\\x.dll");
}

TEST_F(PathTest, FoldersFilesShortcutsAndCommandLines) {
  UseVersion("4.0");
  std::string path = "notepad.exe", file;
  SplitFolderAndFile(path, file);
  EXPECT_EQ(path + "|" + file, "[WindowsFolder]|notepad.exe");
  path = "%SystemFolder%\\drivers\\x.sys";
  SplitFolderAndFile(path, file);
  EXPECT_EQ(path + "|" + file, "[SystemFolder]drivers|x.sys");

  EXPECT_EQ(Apply("Programs\\App\\Tool.lnk", MapShortcutFolder), "[ProgramMenuFolder]App\\Tool.lnk");
  EXPECT_EQ(Apply("START MENU\\Tool.lnk", MapShortcutFolder), "[StartMenuFolder]Tool.lnk");
  EXPECT_EQ(Apply("Elsewhere\\Tool.lnk", MapShortcutFolder), "Elsewhere\\Tool.lnk");

  const std::pair<const char*, const char*> commands[] = {
      {"rundll32.exe shell32.dll,Control_RunDLL desk.cpl", "rundll32.exe shell32.dll|Control_RunDLL desk.cpl"},
      {"\"%windir%\\notepad.EXE\" \"%1\"", "%WindowsFolder%\\notepad.EXE|\"%1\""},
      {"\\\"C:\\a.exe\\\"", "C:\\a.exe|"},
      {"notepad", "|"},
  };
  for (const auto& [command, expected] : commands) {
    std::string executable, arguments;
    SplitCommandLine(command, executable, arguments);
    EXPECT_EQ(executable + "|" + arguments, expected) << command;
  }
}

TEST_F(PathTest, SourcePathsOfCapturedFiles) {
  CaptureScript& script = UseVersion("4.0", "Set('_APPDIR','D:\\Apps')\r\n");
  const std::string root = script.ScriptFolder();
  EXPECT_EQ(MakeSourcePath("C:\\cap\\ProgramFilesFolder\\App\\app.exe", "%ProgramFilesFolder%\\App"),
            root + "ProgramFilesFolder\\App\\app.exe");
  EXPECT_EQ(MakeSourcePath("%ScriptFolder%\\sub\\x.dll", "anything"), root + "sub\\x.dll");
  EXPECT_EQ(MakeSourcePath("C:\\cap\\APPDIR\\bin\\x.exe", "%_APPDIR%\\bin"), root + "APPDIR\\bin\\x.exe");
  // The name keeps its captured spelling; the folder rules only find the folder in it.
  EXPECT_EQ(MakeSourcePath("C:\\cap\\winsysdir\\a.dll", "%windir%\\system32"), root + "winsysdir\\a.dll");
  // A folder rule that rewrote text before the folder does not move the cut.
  EXPECT_EQ(MakeSourcePath("C:\\windir\\cap\\ProgramFilesFolder\\App\\b.exe", "%ProgramFilesFolder%\\App"),
            root + "ProgramFilesFolder\\App\\b.exe");
  EXPECT_EQ(MakeSourcePath("C:\\cap\\SystemFolder\\odd%%name.txt", "%SystemFolder%"),
            root + "SystemFolder\\odd%name.txt");
  EXPECT_EQ(MakeSourcePath("a.txt", ""), root + "a.txt");
  EXPECT_EQ(MakeSourcePath("..\\..\\etc\\group", "%ProgramFilesFolder%"), root + "..\\..\\etc\\group");

  LoadOptions({{"EnablePathVariables", "Y"}});
  EXPECT_EQ(MakeSourcePath("C:\\cap\\ProgramFilesFolder\\App\\app.exe", "%ProgramFilesFolder%\\App"),
            "<SOURCEFILEPATH>\\ProgramFilesFolder\\App\\app.exe");
  std::string target = "%ProgramFilesFolder%\\App\\app.exe";
  NormalizeForCompare(target, false);
  EXPECT_EQ(target, "<SOURCEFILEPATH>\\ProgramFilesFolder\\App\\app.exe");
  target = "%_APPDIR%\\x.exe";
  NormalizeForCompare(target, true);
  EXPECT_EQ(target, root + "APPDIR\\x.exe");

  std::string ini = "C:\\cap\\ProgramFilesFolder\\App\\app.ini";
  EXPECT_TRUE(MakeScriptRelative(ini, "%ProgramFilesFolder%\\App"));
  EXPECT_EQ(ini, root + "ProgramFilesFolder\\App\\app.ini");
  std::string elsewhere = "C:\\other\\app.ini";
  EXPECT_FALSE(MakeScriptRelative(elsewhere, "%ProgramFilesFolder%\\App"));
  EXPECT_EQ(Apply("%_APPDIR%\\x.exe", NormalizeFolderAndFile), "D:\\Apps\\x.exe");
  EXPECT_EQ(Apply("[ProgramFilesFolder]\\App\\x", NormalizeFolderAndFile), "[ProgramFilesFolder]App\\x");
}

TEST_F(PathTest, EnvironmentFoldersBecomeDirectoriesSetByCustomActions) {
  OpenProject();
  UseVersion("4.0");
  // The environment's value has no separator at its end, as a folder property has.
  EXPECT_EQ(Installer("[TEMP]\\x.log", /*directoryMode=*/false), "[%TEMP]\\x.log");
  for (std::string left : {"[Temp]x", "[USERNAME]x", "[MY DIR]x", "[\\x]"}) {
    const std::string before = left;
    ApplyEnvironmentFolder(left, false);
    EXPECT_EQ(left, before);
  }
  // The project's own directories are folder references, not environment variables.
  EXPECT_EQ(Installer("[INSTALLDIR]\\bin"), "[INSTALLDIR]bin");
  EXPECT_FALSE(writer_->IsKnownDirectory("QvINSTALLDIR"));

  EXPECT_EQ(Installer("[TEMP]\\Sub"), "[QvTEMP]Sub");
  EXPECT_TRUE(writer_->IsKnownDirectory("QvTEMP"));
  // Version-4 scripts write folders as "%TEMP%\Sub"; variables that name standard folders are
  // those folders. A value keeps the variable for the target machine.
  auto folder = [](std::string text) {
    ToInstallerFolder(text, true, false);
    return text;
  };
  EXPECT_EQ(folder("%TEMP%\\Sub"), "[QvTEMP]Sub\\");
  EXPECT_EQ(folder("%SystemRoot%\\Fonts"), "[WindowsFolder]Fonts\\");
  EXPECT_EQ(folder("%ProgramFiles%\\App"), "[ProgramFilesFolder]App\\");
  EXPECT_EQ(Installer("%ProgramFiles%\\App"), "%ProgramFiles%\\App");
  EXPECT_EQ(test_support::RowWithKey(SavedRows("CustomAction"), "QvTEMP"),
            (std::vector<std::string>{"QvTEMP", "35", "QvTEMP", "[%TEMP]", ""}));
  EXPECT_EQ(test_support::RowWithKey(SavedRows("Directory"), "QvTEMP"),
            (std::vector<std::string>{"QvTEMP", "TARGETDIR", "."}));
  EXPECT_FALSE(test_support::RowWithKey(SavedRows("InstallExecuteSequence"), "QvTEMP").empty());
}

TEST_F(PathTest, PercentNamesBecomeFolderReferencesInTheInstallersLetterCase) {
  OpenProject();
  UseVersion("4.0");
  // A captured folder below the Windows folder that is keyed "Temp", as deleted files make one.
  writer_->AddDirectory("Temp", "WindowsFolder", "Temp");
  EXPECT_EQ(Apply("%TEMP%\\x", PercentPairToBracket), "%TEMP%\\x");
  EXPECT_EQ(Apply("%Temp%\\x", PercentPairToBracket), "[Temp]\\x");
  EXPECT_EQ(Apply("%programfilesfolder%\\App", PercentPairToBracket), "[ProgramFilesFolder]\\App");

  // An expandable string keeps the environment variable for the target machine to expand.
  auto tableValue = [](const std::string& line) {
    RegValue value = RegValue::Parse(line);
    value.Finish();
    return GetRegistryTableValue(value);
  };
  EXPECT_EQ(tableValue("\"Cache\"=hex(2):25,54,45,4d,50,25,5c,78,00"), "#%%TEMP%\\x");
  EXPECT_EQ(tableValue("\"Log\"=\"%TEMP%\\\\x.log\""), "%TEMP%\\x.log");
  EXPECT_EQ(tableValue("\"Tool\"=hex(2):25,77,69,6e,64,69,72,25,5c,78,2e,65,78,65,00"), "#%[WindowsFolder]x.exe");
}

TEST_F(PathTest, AbsoluteVariablesBecomeProjectDirectories) {
  OpenProject();
  UseVersion("4.0", "Set('APPDATA_DIR','D:\\Data\\App')\r\nSet('SHARE','\\\\server\\share\\x')\r\n");
  EXPECT_EQ(Installer("%APPDATA_DIR%\\Logs\\a.log"), "[APPDATA_DIR]Logs\\a.log");
  EXPECT_TRUE(writer_->IsKnownDirectory("APPDATA_DIR"));
  EXPECT_TRUE(IsFolderReference("[APPDATA_DIR]"));
  EXPECT_FALSE(IsFolderReference("[NotADirectory]"));
  // Plain mode and network paths keep the value itself.
  EXPECT_EQ(Apply("%APPDATA_DIR%\\Logs", [](std::string& t) { ApplyScriptVariable(t, true); }), "D:\\Data\\App\\Logs");
  EXPECT_EQ(Apply("%SHARE%\\y", [](std::string& t) { ApplyScriptVariable(t, false); }), "\\\\server\\share\\x\\y");
}

}  // namespace
