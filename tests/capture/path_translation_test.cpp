#include "capture/path_translation.h"

#include "capture_fixture.h"

using namespace capture;
using capturetest::CaptureTest;

namespace {

class PathTest : public CaptureTest {
 protected:
  std::string Installer(std::string text, bool directoryMode = true, bool plain = false) {
    ToInstallerPath(text, directoryMode, plain);
    return text;
  }
  template <class Operation>
  static std::string Apply(std::string text, Operation operation) {
    operation(text);
    return text;
  }
};

TEST_F(PathTest, PercentRulesReplaceTheirFirstOccurrenceInOrder) {
  UseScript("4.0");
  auto percent = [](std::string& t) { NormalizePercentFolders(t); };
  EXPECT_EQ(Apply("%windir%\\system32\\drivers", percent), "%SystemFolder%\\drivers");
  EXPECT_EQ(Apply("%windir%\\system32", percent), "%SystemFolder%");
  EXPECT_EQ(Apply("%WINDIR%\\Fonts", percent), "%WindowsFolder%\\Fonts");
  EXPECT_EQ(Apply("%windir%;%windir%", percent), "%WindowsFolder%;%windir%");
  EXPECT_EQ(Apply("%winsysdir%\\a.dll", percent), "%SystemFolder%\\a.dll");
  EXPECT_EQ(Apply("%ProgramFilesDir%\\App", percent), "%ProgramFilesFolder%\\App");
  EXPECT_EQ(Apply("%commonfilesdir%\\Shared\\", percent), "%CommonFilesFolder%\\Shared\\");
  EXPECT_EQ(Apply("%SystemRoot%\\System32\\x.exe", percent), "%SystemFolder%\\x.exe");
  EXPECT_EQ(Apply("\\SystemRoot\\system32\\drivers\\x.sys", percent), "%SystemFolder%\\drivers\\x.sys");
  EXPECT_EQ(Apply("\\SystemRoot\\x.exe", percent), "%WindowsFolder%\\x.exe");
  std::string empty;
  EXPECT_FALSE(NormalizePercentFolders(empty));

  auto backslash = [](std::string& t) { NormalizeBackslashFolders(t); };
  EXPECT_EQ(Apply("C:\\cap\\windir\\system32\\a.dll", backslash), "C:\\cap\\SystemFolder\\a.dll");
  EXPECT_EQ(Apply("C:\\cap\\WINSYSDIR\\a.dll", backslash), "C:\\cap\\SystemFolder\\a.dll");
  EXPECT_EQ(Apply("C:\\cap\\windir\\a.ini", backslash), "C:\\cap\\WindowsFolder\\a.ini");
  EXPECT_EQ(Apply("C:\\cap\\programfilesdir\\App\\", backslash), "C:\\cap\\ProgramFilesFolder\\App\\");
  EXPECT_EQ(Apply("C:\\cap\\commonfilesdir\\x", backslash), "C:\\cap\\CommonFilesFolder\\x");
}

TEST_F(PathTest, WindowsVolumeOnlyForOlderScripts) {
  auto bracket = [](std::string& t) { ApplyWindowsVolume(t, true); };
  auto plain = [](std::string& t) { ApplyWindowsVolume(t, false); };
  UseScript("3.5");
  EXPECT_EQ(Apply("C:\\Data", bracket), "C:\\Data");
  UseScript("3.0");
  EXPECT_EQ(Apply("C:\\Data", bracket), "[WindowsVolume]Data");
  EXPECT_EQ(Apply("c:", bracket), "[WindowsVolume]");
  EXPECT_EQ(Apply("c:\\data", plain), "windowsvolume\\data");
  EXPECT_EQ(Apply("D:\\Data", bracket), "D:\\Data");
  EXPECT_EQ(Installer("C:\\Data\\x.txt"), "[WindowsVolume]Data\\x.txt");
  SetCurrentCaptureScript(nullptr);  // no script counts as a very old one
  EXPECT_EQ(Apply("C:\\x", bracket), "[WindowsVolume]x");
}

TEST_F(PathTest, BasicOperations) {
  UseScript("4.0");
  EXPECT_EQ(Apply("_Short(C:\\a b\\x.exe) /s", StripShortMarker), "C:\\a b\\x.exe /s");
  EXPECT_EQ(Apply("%ProgramFilesFolder%App", PercentFolderToPlain), "ProgramFilesFolder\\App");
  EXPECT_EQ(Apply("%SystemFolder%", PercentFolderToPlain), "SystemFolder");
  EXPECT_EQ(Apply("x%SystemFolder%", PercentFolderToPlain), "x%SystemFolder%");
  EXPECT_EQ(Apply("[ProgramFilesFolder]\\App", DropBackslashAfterBracket), "[ProgramFilesFolder]App");
  EXPECT_EQ(Apply("%SystemFolder%\\x", PercentPairToBracket), "[SystemFolder]\\x");
  EXPECT_EQ(Apply("%Nowhere%\\x", PercentPairToBracket), "%Nowhere%\\x");
  EXPECT_TRUE(IsFolderReference("[windowsfolder]x"));
  EXPECT_FALSE(IsFolderReference("[Nowhere]x"));
  EXPECT_FALSE(IsFolderReference("x[WindowsFolder]"));
  EXPECT_FALSE(IsFolderReference("[]"));
  std::string text = "ab";
  EXPECT_TRUE(ReplaceFirstNoCase("B", "Cd", text));
  EXPECT_EQ(text, "aCd");
  std::string folder, file;
  SplitPath("C:\\a\\b.txt", folder, file);
  EXPECT_EQ(folder, "C:\\a");
  EXPECT_EQ(file, "b.txt");
  SplitPath("b.txt", folder, file);
  EXPECT_EQ(folder, "");
  EXPECT_EQ(FolderOfPath("C:\\a\\b.txt"), "C:\\a");
}

TEST_F(PathTest, InstallerPathsFromFolderNotations) {
  UseScript("4.0");
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
  UseScript("4.0",
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
  auto directoryVariable = [](std::string& t) { ApplyScriptVariable(t, false); };
  EXPECT_EQ(Apply("[_DATA]\\Logs", plainVariable), "[CommonAppDataFolder]Vendor\\Logs");
  EXPECT_EQ(Apply("%SHARE%\\x", directoryVariable), "\\\\server\\share\\dir\\x");
  EXPECT_EQ(Apply("%appdir%\\x", plainVariable), "%appdir%\\x");  // names are case-sensitive
  EXPECT_EQ(Apply("x%APPDIR%", plainVariable), "x%APPDIR%");
  EXPECT_EQ(Installer("[_DATA]\\Logs\\a.log"), "[CommonAppDataFolder]Vendor\\Logs\\a.log");
  // A variable that names itself does not hang the install directory.
  SetInstallDirPath("%LOOP%");
  EXPECT_FALSE(InstallDirPath().empty());
  SetInstallDirPath("");
  EXPECT_EQ(Installer("C:\\Program Files\\App\\x.exe"), "C:\\Program Files\\App\\x.exe");
}

TEST_F(PathTest, EmbeddedPathsAndFormattedText) {
  UseScript("4.0");
  auto embedded = [](std::string& t) { ConvertEmbeddedPaths(t, true, false); };
  EXPECT_EQ(Apply("%ProgramFilesFolder%\\App\\run.exe /s", embedded), "[ProgramFilesFolder]App\\run.exe /s");
  EXPECT_EQ(Apply("\"%ProgramFilesFolder%\\App\\run.exe\" /s", embedded),
            "\"[ProgramFilesFolder]App\\run.exe\" /s");
  EXPECT_EQ(Apply("%windir%\\a.exe %SystemFolder%\\b.dll", embedded), "[WindowsFolder]a.exe [SystemFolder]b.dll");
  EXPECT_EQ(Apply("_Short(%windir%\\a.exe)", embedded), "[WindowsFolder]a.exe");
  EXPECT_EQ(Apply("%SystemFolder%\\", embedded), "[SystemFolder]\\");
  EXPECT_EQ(Apply("50% off", embedded), "50% off");

  EXPECT_EQ(Apply("%windir%\\x.txt", ToFormattedText), "[WindowsFolder]x.txt");
  EXPECT_EQ(Apply("100%% [sure]", ToFormattedText), "100% [\\[]sure[\\]]");
  EXPECT_EQ(Apply("%windir%\\system32\\x.dll", ConvertValuePath), "%SystemFolder%\\x.dll");
}

TEST_F(PathTest, FoldersFilesShortcutsAndCommandLines) {
  UseScript("4.0");
  std::string path = "notepad.exe", file;
  SplitFolderAndFile(path, file);
  EXPECT_EQ(path, "[WindowsFolder]");
  EXPECT_EQ(file, "notepad.exe");
  path = "%SystemFolder%\\drivers\\x.sys";
  SplitFolderAndFile(path, file);
  EXPECT_EQ(path, "[SystemFolder]drivers");
  EXPECT_EQ(file, "x.sys");

  EXPECT_EQ(Apply("Programs\\App\\Tool.lnk", MapShortcutFolder), "[ProgramMenuFolder]App\\Tool.lnk");
  EXPECT_EQ(Apply("START MENU\\Tool.lnk", MapShortcutFolder), "[StartMenuFolder]Tool.lnk");
  EXPECT_EQ(Apply("Desktop", MapShortcutFolder), "[DesktopFolder]");
  EXPECT_EQ(Apply("Elsewhere\\Tool.lnk", MapShortcutFolder), "Elsewhere\\Tool.lnk");

  std::string executable, arguments;
  SplitCommandLine("rundll32.exe shell32.dll,Control_RunDLL desk.cpl", executable, arguments);
  EXPECT_EQ(executable, "rundll32.exe shell32.dll");
  EXPECT_EQ(arguments, "Control_RunDLL desk.cpl");
  SplitCommandLine("\"%windir%\\notepad.EXE\" \"%1\"", executable, arguments);
  EXPECT_EQ(executable, "%WindowsFolder%\\notepad.EXE");
  EXPECT_EQ(arguments, "\"%1\"");
  SplitCommandLine("\\\"C:\\a.exe\\\"", executable, arguments);
  EXPECT_EQ(executable, "C:\\a.exe");
  EXPECT_EQ(arguments, "");
  SplitCommandLine("notepad", executable, arguments);
  EXPECT_EQ(executable, "");
  EXPECT_EQ(arguments, "");
}

TEST_F(PathTest, SourcePathsOfCapturedFiles) {
  CaptureScript& script = UseScript("4.0", "Set('_APPDIR','D:\\Apps')\r\n");
  const std::string root = script.ScriptFolder();
  EXPECT_EQ(MakeSourcePath("C:\\cap\\ProgramFilesFolder\\App\\app.exe", "%ProgramFilesFolder%\\App"),
            root + "ProgramFilesFolder\\App\\app.exe");
  EXPECT_EQ(MakeSourcePath("%ScriptFolder%\\sub\\x.dll", "anything"), root + "sub\\x.dll");
  EXPECT_EQ(MakeSourcePath("C:\\cap\\APPDIR\\bin\\x.exe", "%_APPDIR%\\bin"), root + "APPDIR\\bin\\x.exe");
  // The name keeps its captured spelling; the folder rules only find the folder in it.
  EXPECT_EQ(MakeSourcePath("C:\\cap\\winsysdir\\a.dll", "%windir%\\system32"), root + "winsysdir\\a.dll");
  EXPECT_EQ(MakeSourcePath("C:\\cap\\odd%%name.txt", "[SystemFolder]"), "C:\\cap\\odd%%name.txt");
  EXPECT_EQ(MakeSourcePath("C:\\cap\\SystemFolder\\odd%%name.txt", "%SystemFolder%"),
            root + "SystemFolder\\odd%name.txt");
  EXPECT_EQ(MakeSourcePath("", "%SystemFolder%"), "");
  EXPECT_EQ(MakeSourcePath("a.txt", ""), "a.txt");

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
  EXPECT_EQ(elsewhere, "C:\\other\\app.ini");

  EXPECT_EQ(Apply("%windir%\\system32\\x.dll", NormalizeFolderAndFile), "%SystemFolder%\\x.dll");
  EXPECT_EQ(Apply("%_APPDIR%\\x.exe", NormalizeFolderAndFile), "D:\\Apps\\x.exe");
  EXPECT_EQ(Apply("[ProgramFilesFolder]\\App\\x", NormalizeFolderAndFile), "[ProgramFilesFolder]App\\x");
  EXPECT_EQ(Apply("x.exe", NormalizeFolderAndFile), "x.exe");
}

}  // namespace
