// File rows (keys, short|long names, source paths the build can open), folder removal and the
// RemoveFile rows of the capture's deleted files.
#include "content/file_writer.h"

#include "content/captured_files.h"
#include "content/component_writer.h"
#include "content/content_session.h"
#include "content/deleted_files.h"
#include "capture/capture_folder.h"
#include "platform/host_paths.h"
#include "support/conversion_fixture.h"

namespace {

using test_support::Rows;
using test_support::RowWithKey;

class FileWriterTest : public test_support::ConversionTest {
 protected:
  // Opens the project and adds the files of the capture script text.
  capture::CaptureScript& AddFiles(const std::string& lines) {
    capture::CaptureScript& script = UseScript("ScriptVersion('4.0')\r\n" + lines);
    OpenProject();
    content::AddCapturedFiles(script);
    return script;
  }
  static std::string FileName(const Rows& files, const std::string& key) {
    const auto row = RowWithKey(files, key);
    return row.size() > 2 ? row[2] : "<no row>";
  }
};

TEST_F(FileWriterTest, FileNamesAndKeys) {
  AddFiles(
      "InstallFileList('[ProgramFilesFolder]Long Name Folder'|0|0)\r\n"
      "C:\\Cap\\ProgramFilesFolder\\Long Name Folder\\ReadMe First.txt\r\n"
      "C:\\Cap\\ProgramFilesFolder\\Long Name Folder\\README.TXT\r\n"
      "InstallFileList('[ProgramFilesFolder]Other'|0|0)\r\n"
      "C:\\Cap\\ProgramFilesFolder\\Other\\ReadMe.txt\r\n"
      "C:\\Cap\\ProgramFilesFolder\\Other\\\xDC" "bersicht Datei.txt\r\n");
  const Rows files = SavedRows("File");
  EXPECT_EQ(FileName(files, "readmefirst.txt"), "ReadMe~1.txt|ReadMe First.txt");
  // An 8.3 name stands alone; the second ReadMe.txt gets the next key.
  EXPECT_EQ(FileName(files, "readme.txt"), "README.TXT");
  EXPECT_EQ(FileName(files, "readme.txt1"), "ReadMe.txt");
  // A short name of characters the installer refuses is rebuilt of permitted ones.
  const std::string name = FileName(files, "_bersichtdatei.txt");
  ASSERT_NE(name.find('|'), std::string::npos) << name;
  for (char c : name.substr(0, name.find('|'))) EXPECT_TRUE(static_cast<unsigned char>(c) < 0x80) << name;
  EXPECT_EQ(name.substr(name.find('|') + 1), "\xC3\x9C" "bersicht Datei.txt");  // UTF-8 in the dump
  EXPECT_NE(LogText().find("Created file:  Key = 'readmefirst.txt', Filename = 'ReadMe~1.txt|ReadMe First.txt'"),
            std::string::npos);
}

TEST_F(FileWriterTest, SourcePathsLieBelowTheCaptureFolder) {
  testenv::WriteText(InFolder("ProgramFilesFolder/Acme/App.EXE"), "MZ");
  LoadOptions({{"EnablePathVariables", "Y"}});
  AddFiles(
      "InstallFileList('[ProgramFilesFolder]Acme'|0|0)\r\n"
      "D:\\Captures\\Acme\\PROGRAMFILESFOLDER\\ACME\\app.exe\r\n"
      "%SCRIPTFOLDER%ProgramFilesFolder\\Acme\\gone.txt\r\n");
  const Rows sources = SavedRows("QvFileSource");
  // The capture machine's folder is replaced by the capture's folder on this machine.
  const std::string app = RowWithKey(sources, "app.exe").at(1);
  EXPECT_EQ(app, "<SOURCEFILEPATH>\\PROGRAMFILESFOLDER\\ACME\\app.exe");
  // The build resolves it against the capture's folder, whatever the letter case on disk.
  EXPECT_TRUE(platform::FileExists(capture::HostPathOfSource(app)));
  // A file the capture lists but does not hold keeps its row and source path.
  EXPECT_EQ(RowWithKey(sources, "gone.txt").at(1), "<SOURCEFILEPATH>\\ProgramFilesFolder\\Acme\\gone.txt");
  EXPECT_FALSE(RowWithKey(SavedRows("File"), "gone.txt").empty());
}

TEST_F(FileWriterTest, WithoutPathVariablesSourcesNameTheScriptFolder) {
  capture::CaptureScript& script =
      AddFiles("InstallFileList('[ProgramFilesFolder]Acme'|0|0)\r\n%SCRIPTFOLDER%ProgramFilesFolder\\Acme\\app.exe\r\n");
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
  EXPECT_EQ(FileName(rows, "_.tmp"), "*.tmp");
  EXPECT_EQ(FileName(rows, "_.tmp1"), "*.tmp");
}

TEST_F(FileWriterTest, DeletedFilesAreRemovedOnInstallAndUninstall) {
  OpenProject();
  content::WriteDeletedFiles(UseScript("ScriptVersion('4.0')\r\n"));
  EXPECT_TRUE(RowWithKey(SavedRows("Component"), "RemoveFile_Component").empty()) << "no deleted files, no component";

  capture::CaptureScript& script = UseScript(
      "ScriptVersion('4.0')\r\n"
      "DeleteFileList('[WindowsFolder]Temp')\r\n"
      "C:\\WINDOWS\\Temp\\setup.log\r\n"
      "old.ini\r\n"
      "EndProc\r\n"
      "DeleteFileList('%SystemFolder%Stale')\r\n"
      "stale.dll\r\n"
      "EndProc\r\n");
  content::WriteDeletedFiles(script);
  const Rows rows = SavedRows("RemoveFile");
  ASSERT_EQ(rows.size(), 3u);
  const auto log = RowWithKey(rows, "setup.log");
  EXPECT_EQ(log.at(1), "RemoveFile_Component");
  EXPECT_EQ(log.at(2), "setup.log");
  EXPECT_EQ(log.at(4), "3");
  EXPECT_EQ(RowWithKey(rows, "old.ini").at(3), log.at(3));
  // "%SystemFolder%Stale" is the folder Stale below SystemFolder.
  const auto stale = RowWithKey(SavedRows("Directory"), RowWithKey(rows, "stale.dll").at(3));
  ASSERT_FALSE(stale.empty());
  EXPECT_EQ(stale.at(1) + "|" + stale.at(2), "SystemFolder|Stale");
  // The component has no key file: its folder is its key path, created by a CreateFolder row.
  EXPECT_EQ(SavedRows("CreateFolder"), (Rows{{"INSTALLDIR", "RemoveFile_Component"}}));
}

}  // namespace
