#include "capture/capture_script.h"

#include "capture/registry_model.h"
#include "core/cancellation.h"
#include "core/repackager_exception.h"
#include "platform/text.h"
#include "support/conversion_fixture.h"

using capture::CaptureScript;
using capture::FileEntry;

namespace {

class ScriptTest : public test_support::ConversionTest {
 protected:
  // Reads the lines into a fresh script (not published as the current one).
  CaptureScript& Read(const std::string& text, capture::RegistryModel* model = nullptr) {
    script_ = std::make_unique<CaptureScript>(dir_ / "app.inc");
    testenv::WriteText(dir_ / "app.inc", text);
    script_->AttachRegistryModel(model);
    script_->ReadScript();
    return *script_;
  }
  static std::string Attributes(const FileEntry& e) {
    return platform::Format("%d|%d|%s|%d|%d|%d|%s|%d", e.field1, e.field2, e.field3.c_str(), e.field4, e.field6,
                            e.field7, e.field8.c_str(), e.field9);
  }
  // The message of the exception that reading the text raises (empty when none).
  std::string ReadError(const std::string& text, capture::RegistryModel* model = nullptr) {
    try {
      Read(text, model);
    } catch (const core::repackager_exception& e) {
      return e.what();
    }
    return {};
  }
};

TEST_F(ScriptTest, CaptureMethodFromBannerAndCreatedBy) {
  EXPECT_EQ(Read("ScriptVersion('4.0')\n").CaptureMethod(), capture::kUnknownCaptureMethod);
  EXPECT_EQ(Read("CreatedBy(0)\n").CaptureMethod(), capture::kInstallMonitor);
  EXPECT_EQ(Read("CreatedBy(1)\n").CaptureMethod(), capture::kSnapshot);
  EXPECT_EQ(Read("CreatedBy(3)\n").CaptureMethod(), capture::kLoggingCapture);
  EXPECT_EQ(Read("CreatedBy(7)\n").CaptureMethod(), capture::kUnknownCaptureMethod);
  const std::string stars = "!" + std::string(24, '*');
  const std::string equals = "!" + std::string(24, '=');
  EXPECT_EQ(Read("CreatedBy(0)\n" + stars + " snapshot\n").CaptureMethod(), capture::kSnapshot);
  EXPECT_EQ(Read(equals + "\nCreatedBy(3)\n").CaptureMethod(), capture::kLoggingCapture);
  EXPECT_EQ(Read(equals + "\n").CaptureMethod(), capture::kInstallMonitor);
  // A shorter banner is an ordinary comment.
  EXPECT_EQ(Read("!" + std::string(23, '*') + "\n").CaptureMethod(), capture::kUnknownCaptureMethod);
}

TEST_F(ScriptTest, FileListsCarryFolderConditionAndAttributes) {
  LoadOptions({{"EnablePathVariables", "N"}, {"OSGranular", "N"}});
  CaptureScript& script = Read(
      "ScriptVersion('4.0')\r\n"
      "InstallFileList('[ProgramFilesFolder]My App\\\\ '|65552|1033;1031|extra)\r\n"
      "C:\\cap\\ProgramFilesFolder\\My App\\app.exe|1|2|three|4|5|6|0|eight|9\r\n"
      "C:\\cap\\ProgramFilesFolder\\My App\\readme.txt\r\n"
      "C:\\cap\\ProgramFilesFolder\\My App\\half.dll|-7|x\r\n"
      "InstallFileList('[SystemFolder]')\r\n"
      "C:\\cap\\SystemFolder\\a.dll|0|0||0|0|-1|1||0\r\n");
  EXPECT_FLOAT_EQ(script.ScriptVersionNumber(), 4.0f);
  EXPECT_EQ(script.ScriptVersion(), "4.0");
  const auto& files = script.InstalledFiles();
  ASSERT_EQ(files.size(), 2u);
  // From version 4.0 on "[Folder]" is read as "%Folder%\"; trailing blanks and backslashes go.
  ASSERT_EQ(files.count("%ProgramFilesFolder%\\My App"), 1u);
  const auto& app = files.at("%ProgramFilesFolder%\\My App");
  ASSERT_EQ(app.size(), 3u);
  EXPECT_EQ(app[0].name, "C:\\cap\\ProgramFilesFolder\\My App\\app.exe");
  EXPECT_EQ(app[0].condition, "(Version9X OR VersionNT) AND (UserLanguageID=1033)");
  // Fields 1 to 4, 6 to 9; a field that is no number is 0, only a positive number sets a flag.
  EXPECT_EQ(Attributes(app[0]), "1|2|three|4|1|0|eight|1");
  EXPECT_EQ(Attributes(app[1]), "0|0||0|0|0||0");
  EXPECT_EQ(Attributes(app[2]), "-7|0||0|0|0||0");
  const FileEntry& system = files.at("%SystemFolder%").at(0);
  EXPECT_EQ(system.condition, "");
  EXPECT_EQ(Attributes(system), "0|0||0|0|1||0");
}

TEST_F(ScriptTest, ExtraOfTheLatestFileListAndOlderScriptsKeepBrackets) {
  CaptureScript& script = Read(
      "ScriptVersion('3.5')\n"
      "InstallFileList('[SystemFolder]'|16|0|shared)\n"
      "a.dll\n");
  EXPECT_EQ(script.FileListExtra(), "shared");
  ASSERT_EQ(script.InstalledFiles().count("[SystemFolder]"), 1u);
  EXPECT_EQ(script.InstalledFiles().at("[SystemFolder]")[0].condition, "(Version9X)");
}

TEST_F(ScriptTest, BadCommandLineWarnsAndStopsWithUnrecognizedLine) {
  EXPECT_EQ(ReadError("ScriptVersion('4.0')\nSet(broken\nfile.txt\n"), "Unrecognized line in .inc file.");
  EXPECT_EQ(WarningTexts(), std::vector<std::string>{"Unrecognized script command: 'Set(broken'"});
  // A file name that begins with a command word is read as that command.
  EXPECT_EQ(ReadError("Setup.exe\n"), "Unrecognized line in .inc file.");
  EXPECT_EQ(ReadError("Set('NoSeparator')\n"), "Unrecognized line in .inc file.");
  EXPECT_EQ(ReadError("InstallFileList ('x')\n"), "Unrecognized line in .inc file.");
  EXPECT_EQ(ReadError("DeleteFileList['x')\n"), "Unrecognized line in .inc file.");
  EXPECT_EQ(ReadError("RegLoad('x.reg') \n RegLoad('y.reg')x\n"), "Unrecognized line in .inc file.");
  EXPECT_EQ(ReadError("ModifyOemEx ('win.ini')\n"), "Unrecognized line in .inc file.");
  EXPECT_EQ(ReadError("AppendPath('C:\\bin)\n"), "Unrecognized line in .inc file.");
  EXPECT_EQ(ReadError("CreateLink('a','b','c','d')\n"), "Unrecognized line in .inc file.");
  // Malformed lines that the reader can skip are skipped.
  EXPECT_EQ(ReadError("OSInfo\nCreatedBy\nEXE x\nEndProc\nOrigSetup('a')\nInstallTTF('f')\n"), "");
}

TEST_F(ScriptTest, VariablesRegistryFilesAndSearchPath) {
  CaptureScript& script = Read(
      "Set('APPDIR','D:\\Apps')\n"
      "Set('Quote ',' it''s ')\n"
      "Set('APPDIR','E:\\Apps')\n"
      "RegLoad('C:\\capture\\first.reg')\n"
      "RegLoad('C:\\capture\\load.reg')\n"
      "RegDelete('delete.reg')\n"
      "AppendPath('%ProgramFilesFolder%\\App\\bin')/ts\n");
  EXPECT_EQ(script.ScriptVariables().at("APPDIR"), "E:\\Apps");
  EXPECT_EQ(script.ScriptVariables().at("Quote"), "it's");
  EXPECT_EQ(script.RegistryLoadFile(), script.ScriptFolder() + "load.reg");
  EXPECT_EQ(script.RegistryDeleteFile(), script.ScriptFolder() + "delete.reg");
  EXPECT_EQ(script.ScriptFolder(), dir_.path() + "/");
  EXPECT_EQ(script.AppendPathValue(), "%ProgramFilesFolder%\\App\\bin");
  EXPECT_TRUE(script.AppendPathMachineFlag());
  EXPECT_FALSE(Read("AppendPath('C:\\bin')\n").AppendPathMachineFlag());
}

TEST_F(ScriptTest, OsInfoGivesTheCaptureLanguage) {
  EXPECT_EQ(Read("OSInfo('Windows','5.1','2600','1033')\n").CaptureLanguage(), "1033");
  EXPECT_EQ(Read("OSInfo('a','b','c')\n").CaptureLanguage(), "");
  EXPECT_EQ(Read("OSInfo('a','b','c','1031')\nOSInfo('x')\n").CaptureLanguage(), "1031");
}

TEST_F(ScriptTest, ShortcutsWithQuotesIconIndexAndFeature) {
  CaptureScript& script = Read(
      "ScriptVersion('4.0')\n"
      "CreateLink('Tool','\"[ProgramFilesFolder]App\\tool.exe\" /name ''x''','\"C:\\Work\"',"
      "'[ProgramFilesFolder]App\\tool.exe,2','Programs\\App','','','Main')\n"
      "CreateLink('Readme','readme.txt','','C:\\a,b\\icons.dll','Desktop')\n");
  // Link name, command line, working folder, icon file and index, folder, feature.
  std::vector<std::string> shortcuts;
  for (const auto& s : script.Shortcuts())
    shortcuts.push_back(s.linkName + "|" + s.commandLine + "|" + s.workingDirectory + "|" + s.iconFile + "|" +
                        std::to_string(s.iconIndex) + "|" + s.folder + "|" + s.feature);
  EXPECT_EQ(shortcuts, (std::vector<std::string>{
                           "Tool|\"%ProgramFilesFolder%\\App\\tool.exe\" /name 'x'|C:\\Work|"
                           "%ProgramFilesFolder%\\App\\tool.exe|2|Programs\\App|Main",
                           // A comma inside a path is no icon index.
                           "Readme|readme.txt||C:\\a,b\\icons.dll|-1|Desktop|"}));
}

TEST_F(ScriptTest, BlocksAndTheirPrecedence) {
  CaptureScript& script = Read(
      "InstallFileList('C:\\Dir'|16|0)\n"
      "DeleteFileList('C:\\Old')\n"
      "gone.txt\n"
      "Set('not','a variable')\n"
      "EndProc\n"
      "kept.txt\n"
      "Feature('Main','Main Feature','All of it','INSTALLDIR')\n"
      "Child1\n"
      "Child2\n"
      "EndProc\n"
      "Feature('x')\n"
      "EndProc\n"
      "DLL(util.dll||Init|VOID|CostFinalize|1)\n"
      "a|INT|5\n"
      "EndProc\n"
      "EXE(setup.exe|Setup|/s|InstallFinalize|0)\n"
      "EXE(short|x)\n"
      "ModifyOemEx('win.ini','x')\n"
      "[windows]\n"
      "load=x.exe\n"
      "EndProc\n"
      "MakeDir('[ProgramFilesFolder]App\\Data',0,0,'perm')\n"
      "MakeDir('C:\\Empty')\n"
      "EndProc\n");
  // Deleted files: plain names under their folder, never a condition; the current folder of
  // the file list moved, its condition did not.
  ASSERT_EQ(script.DeletedFiles().at("C:\\Old").size(), 2u);
  EXPECT_EQ(script.DeletedFiles().at("C:\\Old")[0].name, "gone.txt");
  EXPECT_EQ(script.DeletedFiles().at("C:\\Old")[1].name, "Set('not','a variable')");
  EXPECT_EQ(script.DeletedFiles().at("C:\\Old")[0].condition, "");
  EXPECT_TRUE(script.ScriptVariables().empty());
  EXPECT_EQ(script.InstalledFiles().at("C:\\Old")[0].condition, "(Version9X)");

  // A Feature line with too few arguments keeps the previous feature's values.
  ASSERT_EQ(script.Features().size(), 2u);
  EXPECT_EQ(script.Features()[0].argument1, "Main");
  EXPECT_EQ(script.Features()[0].argument4, "INSTALLDIR");
  EXPECT_EQ(script.Features()[0].blockText, "Child1\tChild2");
  EXPECT_EQ(script.Features()[1].argument2, "Main Feature");

  // The calls' fields become custom actions (content/script_calls_test); a short EXE line is none.
  ASSERT_EQ(script.DllCalls().size(), 1u);
  EXPECT_EQ(script.DllCalls()[0].blockText, "a|INT|5");
  ASSERT_EQ(script.ExeCalls().size(), 1u);
  EXPECT_EQ(script.ExeCalls()[0].arguments, "/s");

  ASSERT_EQ(script.OemEdits().count("win.ini"), 1u);
  EXPECT_EQ(script.OemEdits().at("win.ini"), (std::vector<std::string>{"[windows]", "load=x.exe"}));

  ASSERT_EQ(script.Folders().size(), 2u);
  EXPECT_EQ(script.Folders()[0].folder, "[ProgramFilesFolder]App\\Data");  // version below 4
  EXPECT_EQ(script.Folders()[0].fourthArgument, "perm");
  EXPECT_EQ(script.Folders()[1].folder, "C:\\Empty");
  EXPECT_EQ(script.Folders()[1].fourthArgument, "");
}

TEST_F(ScriptTest, IniBlocksGoToTheRegistryModel) {
  capture::RegistryModel model(false);
  Read(
      "AddIni('win.ini')\n"
      "; a comment\n"
      "[Settings]\n"
      "Dir=C:\\Temp\\\n"
      "Name=x\n"
      "[a]\n"
      "One=1\n"
      "EndProc\n",
      &model);
  const capture::RegKey* settings = model.FindKey("HKEY_INIFILES\\win.ini|Settings");
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->ClassId(), capture::kIniFile);
  ASSERT_EQ(settings->Values().size(), 2u);
  EXPECT_EQ(settings->Values()[0].Name(), "Dir");
  EXPECT_EQ(settings->Values()[0].Data(), "C:\\Temp\\");
  // A one-letter section is a section like any other.
  const capture::RegKey* a = model.FindKey("HKEY_INIFILES\\win.ini|a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Values().at(0).Data(), "1");

  // Without a model the block is dropped; an INI line with no file name is an error.
  EXPECT_EQ(ReadError("AddIni('win.ini')\n[S]\nx=1\nEndProc\n"), "");
  EXPECT_EQ(ReadError("AddIni('')\n[S]\n", &model), "Unrecognized line in .inc file.");
}

TEST_F(ScriptTest, LinesAreReadWholeAsBytesWithEveryLineBreak) {
  // "\r\n", "\n" and a lone "\r" end lines; bytes above 127 stay as they are; a long line is
  // read whole.
  const std::string longName(100000, 'x');
  CaptureScript& script = Read(
      "InstallFileList('C:\\Caf\xE9')\r\n"
      "na\xEFve.txt\rsecond.txt\nthird.txt\r\n" + longName + ".txt|1\r\n");
  const auto& files = script.InstalledFiles().at("C:\\Caf\xE9");
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(files[0].name, "na\xEFve.txt");
  EXPECT_EQ(files[1].name, "second.txt");
  EXPECT_EQ(files[2].name, "third.txt");
  EXPECT_EQ(files[3].name, longName + ".txt");
  EXPECT_EQ(files[3].field1, 1);
}

TEST_F(ScriptTest, TextThatIsNotAnsiIsRejectedNamingFileAndLine) {
  const std::string withNul = std::string("ScriptVersion('4.0')\r\nabc") + '\0' + "def\r\n";
  const std::string error = ReadError(withNul);
  EXPECT_NE(error.find(dir_ / "app.inc"), std::string::npos) << error;
  EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  const std::string utf16 = ReadError(std::string("\xFF\xFE" "S\0c\0", 6));
  EXPECT_NE(utf16.find("UTF-16"), std::string::npos) << utf16;
  EXPECT_NE(utf16.find(dir_ / "app.inc"), std::string::npos) << utf16;
}

TEST_F(ScriptTest, MissingScriptReadsNothingAndCancellationStops) {
  CaptureScript missing(dir_ / "absent.inc");
  missing.ReadScript();
  EXPECT_TRUE(missing.InstalledFiles().empty());
  EXPECT_EQ(missing.ScriptFolder(), dir_.path() + "/");

  core::RequestCancel();
  EXPECT_EQ(ReadError("a.txt\n"), "Cancelled by user action.");
  core::ClearCancel();
}

TEST_F(ScriptTest, ContainsFileComparesSourcePaths) {
  CaptureScript& script = Read(
      "InstallFileList('%ProgramFilesFolder%\\App')\n"
      "C:\\cap\\ProgramFilesFolder\\App\\Main.exe\n");
  capture::SetCurrentCaptureScript(&script);
  EXPECT_TRUE(script.ContainsFile("%ProgramFilesFolder%\\App\\main.EXE"));
  EXPECT_TRUE(script.ContainsFile("_Short(%ProgramFilesFolder%\\App\\Main.exe)"));
  EXPECT_FALSE(script.ContainsFile("%ProgramFilesFolder%\\App\\other.exe"));
  EXPECT_FALSE(script.ContainsFile("%SystemFolder%\\Main.exe"));
}

}  // namespace
