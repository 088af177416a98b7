// File rows (keys, short|long names, source paths the build can open), SelfReg rows, folder
// removal and the RemoveFile rows of the capture's deleted files.
#include "content/file_writer.h"

#include "content/captured_files.h"
#include "content/component_writer.h"
#include "content/content_session.h"
#include "content/deleted_files.h"
#include "content/source_paths.h"
#include "content_fixture.h"
#include "platform/host_paths.h"
#include "support/engine_presence.h"

namespace {

using contenttest::Rows;

// File table columns.
constexpr size_t kFileName = 2;

class FileWriterTest : public contenttest::ContentTest {
 protected:
  void SetUp() override {
    SKIP_UNLESS_ENGINE_IS_BUILT();
    ContentTest::SetUp();
  }
};

TEST_F(FileWriterTest, FileNamesKeysAndSelfRegistration) {
  capture::CaptureScript& script = UseScript(
      "ScriptVersion('4.0')\r\n"
      "InstallFileList('[ProgramFilesFolder]Long Name Folder'|0|0)\r\n"
      "C:\\Cap\\ProgramFilesFolder\\Long Name Folder\\ReadMe First.txt\r\n"
      "C:\\Cap\\ProgramFilesFolder\\Long Name Folder\\README.TXT\r\n"
      "C:\\Cap\\ProgramFilesFolder\\Long Name Folder\\register.dll|0|0||0|0|1\r\n"
      "C:\\Cap\\ProgramFilesFolder\\Long Name Folder\\plain.dll|0|0||0|0|0|1\r\n"
      "InstallFileList('[ProgramFilesFolder]Other'|0|0)\r\n"
      "C:\\Cap\\ProgramFilesFolder\\Other\\ReadMe.txt\r\n"
      "C:\\Cap\\ProgramFilesFolder\\Other\\\xDC" "bersicht Datei.txt\r\n");
  OpenProject();
  content::AddCapturedFiles(script);
  const Rows files = SavedRows("File");
  EXPECT_EQ(RowWithKey(files, "readmefirst.txt").at(kFileName), "ReadMe~1.txt|ReadMe First.txt");
  // An 8.3 name stands alone; the second ReadMe.txt gets the next key.
  EXPECT_EQ(RowWithKey(files, "readme.txt").at(kFileName), "README.TXT");
  EXPECT_EQ(RowWithKey(files, "readme.txt1").at(kFileName), "ReadMe.txt");
  // A short name of characters the installer refuses is rebuilt of permitted ones.
  const auto umlaut = RowWithKey(files, "_bersichtdatei.txt");
  ASSERT_FALSE(umlaut.empty());
  const std::string name = umlaut.at(kFileName);
  ASSERT_NE(name.find('|'), std::string::npos) << name;
  for (char c : name.substr(0, name.find('|'))) EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80) << name;
  EXPECT_EQ(name.substr(name.find('|') + 1), "\xC3\x9C" "bersicht Datei.txt");  // UTF-8 in the dump

  const Rows selfReg = SavedRows("SelfReg");
  ASSERT_EQ(selfReg.size(), 1u);
  EXPECT_EQ(selfReg[0].at(0), "register.dll");
  EXPECT_NE(LogText().find("Created file:  Key = 'readmefirst.txt', Filename = 'ReadMe~1.txt|ReadMe First.txt'"),
            std::string::npos);
}

TEST_F(FileWriterTest, SourcePathsLieBelowTheCaptureFolder) {
  testenv::WriteText(InFolder("ProgramFilesFolder/Acme/App.EXE"), "MZ");
  LoadOptions({{"EnablePathVariables", "Y"}});
  capture::CaptureScript& script = UseScript(
      "ScriptVersion('4.0')\r\n"
      "InstallFileList('[ProgramFilesFolder]Acme'|0|0)\r\n"
      "D:\\Captures\\Acme\\PROGRAMFILESFOLDER\\ACME\\app.exe\r\n"
      "%SCRIPTFOLDER%ProgramFilesFolder\\Acme\\gone.txt\r\n");
  OpenProject();
  content::AddCapturedFiles(script);
  const Rows sources = SavedRows("QvFileSource");
  // The capture machine's folder is replaced by the capture's folder on this machine.
  const std::string app = RowWithKey(sources, "app.exe").at(1);
  EXPECT_EQ(app, "<SOURCEFILEPATH>\\PROGRAMFILESFOLDER\\ACME\\app.exe");
  // The build resolves it against the capture's folder, whatever the letter case on disk.
  EXPECT_TRUE(platform::FileExists(content::HostPathOfSource(app)));
  // A file the capture lists but does not hold keeps its row and source path.
  EXPECT_EQ(RowWithKey(sources, "gone.txt").at(1), "<SOURCEFILEPATH>\\ProgramFilesFolder\\Acme\\gone.txt");
  EXPECT_FALSE(RowWithKey(SavedRows("File"), "gone.txt").empty());
}

TEST_F(FileWriterTest, WithoutPathVariablesSourcesNameTheScriptFolder) {
  capture::CaptureScript& script = UseScript(
      "ScriptVersion('4.0')\r\nInstallFileList('[ProgramFilesFolder]Acme'|0|0)\r\n"
      "%SCRIPTFOLDER%ProgramFilesFolder\\Acme\\app.exe\r\n");
  OpenProject();
  content::AddCapturedFiles(script);
  EXPECT_EQ(RowWithKey(SavedRows("QvFileSource"), "app.exe").at(1),
            script.ScriptFolder() + "ProgramFilesFolder\\Acme\\app.exe");
}

TEST_F(FileWriterTest, FolderAndFileRemoval) {
  OpenProject();
  content::FileWriter& files = *content::CurrentFileWriter();
  content::CurrentComponentWriter()->GetComponent("Profile", true);
  files.AddRemoveFolder("Profile", "PROFILEDIR", content::kRemoveOnUninstall);
  files.AddRemoveFile("Profile", "C:\\Temp\\Old Log File.txt", "TempFolder", content::kRemoveOnInstall);
  files.AddRemoveFile("Profile", "*.tmp", "TempFolder", content::kRemoveOnBoth);
  files.AddRemoveFile("Profile", "*.tmp", "TempFolder", content::kRemoveOnBoth);
  const Rows rows = SavedRows("RemoveFile");
  EXPECT_EQ(RowWithKey(rows, "RemoveFolder_PROFILEDIR"),
            (std::vector<std::string>{"RemoveFolder_PROFILEDIR", "Profile", "", "PROFILEDIR", "2"}));
  EXPECT_EQ(RowWithKey(rows, "OldLogFile.txt"),
            (std::vector<std::string>{"OldLogFile.txt", "Profile", "OldLog~1.txt|Old Log File.txt", "TempFolder", "1"}));
  // Wildcard names stand alone; equal names get distinct keys.
  EXPECT_EQ(RowWithKey(rows, "_.tmp").at(2), "*.tmp");
  EXPECT_EQ(RowWithKey(rows, "_.tmp1").at(2), "*.tmp");
}

TEST_F(FileWriterTest, DeletedFilesAreRemovedOnInstallAndUninstall) {
  capture::CaptureScript& script = UseScript(
      "ScriptVersion('4.0')\r\n"
      "DeleteFileList('[WindowsFolder]Temp')\r\n"
      "C:\\WINDOWS\\Temp\\setup.log\r\n"
      "old.ini\r\n"
      "EndProc\r\n"
      "DeleteFileList('%SystemFolder%Stale')\r\n"
      "stale.dll\r\n"
      "EndProc\r\n");
  OpenProject();
  content::WriteDeletedFiles(script);
  const Rows rows = SavedRows("RemoveFile");
  ASSERT_EQ(rows.size(), 3u);
  const auto log = RowWithKey(rows, "setup.log");
  EXPECT_EQ(log.at(1), "RemoveFile_Component");
  EXPECT_EQ(log.at(2), "setup.log");
  EXPECT_EQ(log.at(4), "3");
  EXPECT_EQ(RowWithKey(rows, "old.ini").at(3), log.at(3));
  // "%SystemFolder%Stale" is the folder Stale below SystemFolder.
  const auto directories = SavedRows("Directory");
  const auto stale = RowWithKey(directories, RowWithKey(rows, "stale.dll").at(3));
  ASSERT_FALSE(stale.empty());
  EXPECT_EQ(stale.at(1), "SystemFolder");
  EXPECT_EQ(stale.at(2), "Stale");
  // The component has no key file: its folder is its key path, created by a CreateFolder row.
  EXPECT_EQ(SavedRows("CreateFolder"), (Rows{{"INSTALLDIR", "RemoveFile_Component"}}));
}

TEST_F(FileWriterTest, NoDeletedFilesNoComponent) {
  capture::CaptureScript& script = UseScript("ScriptVersion('4.0')\r\n");
  OpenProject();
  content::WriteDeletedFiles(script);
  EXPECT_TRUE(RowWithKey(SavedRows("Component"), "RemoveFile_Component").empty());
}

}  // namespace
