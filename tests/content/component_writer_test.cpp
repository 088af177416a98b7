// Components of captured files: names by the naming conventions, grouping by kind and folder,
// attributes by folder and options, user-profile key paths and folder removal, key files, and
// the components of created folders. Read back from the saved project. What a whole conversion
// of a capture makes of them is checked in conversion_test.
#include "content/component_writer.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "capture/knowledge_base.h"
#include "capture/path_translation.h"
#include "content/captured_files.h"
#include "content/content_session.h"
#include "support/conversion_fixture.h"

namespace {

using test_support::Rows;
using test_support::RowWithKey;

// Component table columns.
constexpr size_t kDirectory = 2;
constexpr size_t kAttributes = 3;
constexpr size_t kCondition = 4;
constexpr size_t kKeyPath = 5;

class ComponentWriterTest : public test_support::ConversionTest {
 protected:
  // Opens the project and adds the files of the capture script text.
  void AddFiles(const std::string& lines) {
    capture::CaptureScript& script = UseScript("ScriptVersion('4.0')\r\n" + lines);
    OpenProject();
    content::AddCapturedFiles(script);
  }
  // The component that the File row of a file key names.
  static std::string ComponentOfFile(const Rows& files, const std::string& fileKey) {
    auto row = RowWithKey(files, fileKey);
    return row.size() > 1 ? row[1] : std::string();
  }
};

TEST_F(ComponentWriterTest, NamesFollowTheConventionsAndStayUnique) {
  LoadOptions({}, "[Component Naming Conventions]\r\nFilePrefix=App_\r\nFontSuffix=_TrueType\r\n");
  OpenProject();
  content::ComponentWriter& components = *content::CurrentComponentWriter();
  EXPECT_EQ(components.MakeComponentName("C:\\cap\\Foo.DLL", "%ProgramFilesFolder%\\App"), "App_foo.dll");
  EXPECT_EQ(components.MakeComponentName("C:\\cap\\a\\setup.exe", "%ProgramFilesFolder%\\A"), "App_setup.exe");
  EXPECT_EQ(components.MakeComponentName("C:\\cap\\b\\setup.exe", "%ProgramFilesFolder%\\B"), "App_setup.exe1");
  EXPECT_EQ(components.MakeComponentName("C:\\cap\\arial.ttf", "%FontsFolder%"), "arial.ttf_TrueType");
  // Other files are named after their folder; the type's defaults apply without options.
  EXPECT_EQ(components.MakeComponentName("C:\\cap\\readme.txt", "%ProgramFilesFolder%\\My App\\"), "Folder_MyApp");
  EXPECT_EQ(components.MakeComponentName("C:\\cap\\srv.dll", "", content::kComNaming), "srv.dll_COM");
  EXPECT_EQ(components.MakeComponentName("", "[ProgramFilesFolder]App\\Logs", content::kCreateFolderNaming),
            "CreateFolder_Logs");

  // A name that the prefix makes equal to an existing component, and names that only differ
  // beyond a key's length, still give distinct components.
  components.GetComponent("App_taken.dll", true);
  EXPECT_NE(components.MakeComponentName("C:\\cap\\taken.dll", "%SystemFolder%"), "App_taken.dll");
  const std::string longName(90, 'x');
  const std::string first = components.MakeComponentName("C:\\cap\\" + longName + "1.dll", "%SystemFolder%");
  const std::string second = components.MakeComponentName("C:\\cap\\" + longName + "2.dll", "%SystemFolder%");
  EXPECT_NE(first, second);
  EXPECT_LE(std::max(first.size(), second.size()), 71u);
}

TEST_F(ComponentWriterTest, FilesJoinTheirFolderOrGetComponentsOfTheirOwn) {
  capture::SetInstallDirPath("[ProgramFilesFolder]Acme");
  AddFiles(
      "InstallFileList('[ProgramFilesFolder]Acme'|0|0)\r\n"
      "%SCRIPTFOLDER%P\\Acme\\readme.txt\r\n"
      "%SCRIPTFOLDER%P\\Acme\\license.txt\r\n"
      "%SCRIPTFOLDER%P\\Acme\\guide.hlp\r\n"
      "%SCRIPTFOLDER%P\\Acme\\guide.cnt\r\n"
      "%SCRIPTFOLDER%P\\Acme\\other.hlp\r\n"
      "%SCRIPTFOLDER%P\\Acme\\start.txt\r\n"
      "InstallFileList('[ProgramFilesFolder]Acme'|16|0)\r\n"
      "%SCRIPTFOLDER%P\\Acme\\win9x.txt\r\n"
      "CreateLink('Start','[ProgramFilesFolder]Acme\\start.txt','','','Programs\\Acme')\r\n");
  const Rows files = SavedRows("File");
  const Rows components = SavedRows("Component");
  EXPECT_EQ(ComponentOfFile(files, "license.txt"), "Folder_Acme");
  // A help file and its contents share one component.
  EXPECT_EQ(ComponentOfFile(files, "guide.cnt"), ComponentOfFile(files, "guide.hlp"));
  EXPECT_NE(ComponentOfFile(files, "other.hlp"), ComponentOfFile(files, "guide.hlp"));
  // A shortcut target is the key file of a component of its own.
  const std::string startComponent = ComponentOfFile(files, "start.txt");
  EXPECT_NE(startComponent, "Folder_Acme");
  EXPECT_EQ(RowWithKey(components, startComponent).at(kKeyPath), "start.txt");
  // A file under an install condition gets a component with that condition and does not take
  // the folder over for unconditioned files.
  const std::string win9x = ComponentOfFile(files, "win9x.txt");
  EXPECT_NE(win9x, "Folder_Acme");
  EXPECT_EQ(RowWithKey(components, win9x).at(kCondition), "(Version9X)");

  // The knowledge base knows every file's component by its installed path.
  qv::ComPtr<qv::IComponent> known = capture::GetComponentFor("[INSTALLDIR]LICENSE.TXT");
  ASSERT_TRUE(known);
  std::string name;
  known->GetName(&name);
  EXPECT_EQ(name, "Folder_Acme");
}

TEST_F(ComponentWriterTest, AttributesFollowFoldersAndOptions) {
  const std::string lines =
      "InstallFileList('[SystemFolder]'|0|0)\r\n%SCRIPTFOLDER%S\\sys.dll\r\n"
      "InstallFileList('[SystemFolder]drivers'|0|0)\r\n%SCRIPTFOLDER%S\\drivers\\drv.sys\r\n"
      "InstallFileList('[CommonFilesFolder]Acme'|0|0)\r\n%SCRIPTFOLDER%C\\common.dll\r\n"
      "InstallFileList('[ProgramFilesFolder]Acme'|0|0)\r\n%SCRIPTFOLDER%P\\app.exe\r\n";
  LoadOptions({{"PermanentSystemFilesSubfolders", "Y"}, {"SharedCommonFiles", "N"}});
  AddFiles(lines);
  content::CurrentComponentWriter()->GetComponent("RegistryData_HKCR", true);
  const Rows components = SavedRows("Component");
  EXPECT_EQ(RowWithKey(components, "sys.dll").at(kAttributes), "24");    // shared, permanent
  EXPECT_EQ(RowWithKey(components, "drv.sys").at(kAttributes), "24");    // the subfolder option
  EXPECT_EQ(RowWithKey(components, "common.dll").at(kAttributes), "0");  // SharedCommonFiles off
  EXPECT_EQ(RowWithKey(components, "app.exe").at(kAttributes), "0");
  EXPECT_EQ(RowWithKey(components, "RegistryData_HKCR").at(kAttributes), "16");
  EXPECT_EQ(RowWithKey(components, "RegistryData_HKCR").at(kDirectory), "INSTALLDIR");
}

TEST_F(ComponentWriterTest, SystemSubfoldersAreSharedButNotPermanentByDefault) {
  AddFiles("InstallFileList('[SystemFolder]drivers'|0|0)\r\n%SCRIPTFOLDER%S\\drivers\\drv.sys\r\n");
  EXPECT_EQ(RowWithKey(SavedRows("Component"), "drv.sys").at(kAttributes), "8");
}

TEST_F(ComponentWriterTest, UserProfileComponentsGetARegistryKeyPathAndRemoveTheirFolders) {
  LoadOptions({{"ARPPublisher", "Acme"}, {"ProductName", "Tool"}});
  AddFiles(
      "InstallFileList('[AppDataFolder]Acme\\Tool'|0|0)\r\n"
      "%SCRIPTFOLDER%A\\user.cfg\r\n"
      "%SCRIPTFOLDER%A\\tool.dll\r\n"
      "InstallFileList('[AppDataFolder]Acme\\Tool\\Cache'|0|0)\r\n"
      "%SCRIPTFOLDER%A\\cache.dat\r\n");
  const Rows components = SavedRows("Component");
  const auto folder = RowWithKey(components, "Folder_Tool");
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.at(kAttributes), "4");  // the key path is a registry value
  EXPECT_EQ(RowWithKey(SavedRows("Registry"), folder.at(kKeyPath)),
            (std::vector<std::string>{folder.at(kKeyPath), "1",
                                      "SOFTWARE\\Quillmark Repackaged Applications\\Acme\\Tool\\Folder_Tool",
                                      "Installed", "1", "Folder_Tool"}));
  // A versioned or unversioned file never takes the registry key path over.
  EXPECT_TRUE(RowWithKey(components, "tool.dll").at(kKeyPath).starts_with("Registry_ICE38_"));

  // Each folder below AppDataFolder is removed on uninstall once, by the first component there;
  // AppDataFolder itself never.
  std::map<std::string, std::string> removedBy;
  for (const auto& row : SavedRows("RemoveFile")) {
    EXPECT_EQ(row.at(2) + "|" + row.at(4), "|2");
    EXPECT_NE(row.at(3), "AppDataFolder");
    EXPECT_TRUE(removedBy.emplace(row.at(3), row.at(1)).second) << row.at(3);
  }
  EXPECT_EQ(removedBy.size(), 3u);  // Acme, Tool, Cache

  // The desktop is a profile folder too, and so is an INSTALLDIR placed inside one: its
  // component is found by the folder's parents, not by its key.
  TearDown();
  SetUp();
  capture::CaptureScript& script = UseScript(
      "ScriptVersion('4.0')\r\n"
      "InstallFileList('[LocalAppDataFolder]Acme\\Tool'|0|0)\r\n%SCRIPTFOLDER%A\\tool.dll\r\n"
      "InstallFileList('[DesktopFolder]'|0|0)\r\n%SCRIPTFOLDER%D\\notes.txt\r\n");
  OpenProject();
  writer_->SetMainFolder("[LocalAppDataFolder]Acme\\Tool");
  content::AddCapturedFiles(script);
  const Rows inProfile = SavedRows("Component");
  EXPECT_EQ(RowWithKey(inProfile, "tool.dll").at(kDirectory), "INSTALLDIR");
  for (const char* component : {"tool.dll", "Folder_DesktopFolder"})
    EXPECT_TRUE(RowWithKey(inProfile, component).at(kKeyPath).starts_with("Registry_ICE38_")) << component;
  std::set<std::string> removed;
  for (const auto& row : SavedRows("RemoveFile")) removed.insert(row.at(3));
  EXPECT_EQ(removed, (std::set<std::string>{"INSTALLDIR", "Acme"}));

  // Switched off, the folder's first file is its key path and nothing is removed.
  TearDown();
  SetUp();
  LoadOptions({{"HandleUserProfileComponents", "N"}});
  AddFiles("InstallFileList('[AppDataFolder]Acme'|0|0)\r\n%SCRIPTFOLDER%A\\user.cfg\r\n");
  const auto plain = RowWithKey(SavedRows("Component"), "Folder_Acme");
  EXPECT_EQ(plain.at(kKeyPath) + "|" + plain.at(kAttributes), "user.cfg|0");
  EXPECT_TRUE(SavedRows("RemoveFile").empty());
}

TEST_F(ComponentWriterTest, TheFirstVersionedFileIsTheKeyFile) {
  const std::string fixtures = std::string(FERNCLIP_BUILD_DIR) + "/tests/fixtures/pe/";
  // Letter case differs between the capture and the disk, as captures from Windows do.
  testenv::WriteText(InFolder("P/Tools/notes.txt"), "notes");
  std::filesystem::copy_file(fixtures + "icon_only.exe", InFolder("P/Tools/plain.bin"));
  std::filesystem::copy_file(fixtures + "versioned.exe", InFolder("P/Tools/Engine.bin"));
  std::filesystem::copy_file(fixtures + "versioned.exe", InFolder("P/Tools/second.bin"));
  LoadOptions({{"EnablePathVariables", "Y"}});
  AddFiles(
      "InstallFileList('[ProgramFilesFolder]Tools'|0|0)\r\n"
      "%SCRIPTFOLDER%p\\tools\\notes.txt\r\n"
      "%SCRIPTFOLDER%p\\tools\\missing.txt\r\n"
      "%SCRIPTFOLDER%p\\tools\\plain.bin\r\n"
      "%SCRIPTFOLDER%p\\tools\\ENGINE.BIN\r\n"
      "%SCRIPTFOLDER%p\\tools\\second.bin\r\n");
  EXPECT_EQ(RowWithKey(SavedRows("Component"), "Folder_Tools").at(kKeyPath), "engine.bin");
}

TEST_F(ComponentWriterTest, OtherFilesGetComponentsOfTheirOwnWhenAsked) {
  LoadOptions({{"OtherFilesNewComponents", "Y"}});
  AddFiles(
      "InstallFileList('[ProgramFilesFolder]Acme'|0|0)\r\n"
      "%SCRIPTFOLDER%P\\readme.txt\r\n%SCRIPTFOLDER%P\\license.txt\r\n");
  const Rows components = SavedRows("Component");
  EXPECT_FALSE(RowWithKey(components, "readme.txt").empty());
  EXPECT_FALSE(RowWithKey(components, "license.txt").empty());
  // Such components carry no description.
  EXPECT_TRUE(RowWithKey(SavedRows("QvComponentInfo"), "readme.txt").at(1).empty());
}

TEST_F(ComponentWriterTest, AFileBeforeAnyFileListGoesToTheInstallDirectoryWithAWarning) {
  AddFiles("C:\\cap\\stray.txt\r\n");
  const Rows files = SavedRows("File");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(ComponentOfFile(files, "stray.txt"), "Folder_INSTALLDIR");
  EXPECT_EQ(RowWithKey(SavedRows("Component"), "Folder_INSTALLDIR").at(kDirectory), "INSTALLDIR");
  ASSERT_EQ(WarningTexts().size(), 1u);
  EXPECT_NE(WarningTexts()[0].find("C:\\cap\\stray.txt"), std::string::npos);
  EXPECT_NE(LogText().find("Created component:  Key = 'Folder_INSTALLDIR', KeyPath = '', Feature = '" +
                           writer_->DefaultFeature() + "', Directory = '[INSTALLDIR]'"),
            std::string::npos);
}

TEST_F(ComponentWriterTest, CreatedFoldersGetAComponentUnlessOneLiesThere) {
  capture::CaptureScript& script = UseScript(
      "ScriptVersion('4.0')\r\n"
      "InstallFileList('[ProgramFilesFolder]Acme'|0|0)\r\n"
      "%SCRIPTFOLDER%P\\app.exe\r\n"
      "MakeDir('[ProgramFilesFolder]Acme',0,0,'')\r\n"
      "MakeDir('[ProgramFilesFolder]Acme\\Logs',0,0,'')\r\n"
      "MakeDir('[ProgramFilesFolder]Acme\\Logs',0,0,'')\r\n"
      "MakeDir('[AppDataFolder]Acme\\Cache',0,0,'')\r\n");
  OpenProject();
  content::AddCapturedFiles(script);
  content::AddCreatedFolders(script);
  const Rows components = SavedRows("Component");
  const Rows createFolders = SavedRows("CreateFolder");
  ASSERT_EQ(createFolders.size(), 2u);
  const auto logs = RowWithKey(components, "CreateFolder_Logs");
  ASSERT_FALSE(logs.empty());
  EXPECT_NE(std::find(createFolders.begin(), createFolders.end(),
                      std::vector<std::string>{logs.at(kDirectory), "CreateFolder_Logs"}),
            createFolders.end());
  EXPECT_TRUE(logs.at(kKeyPath).empty());
  EXPECT_EQ(RowWithKey(components, "CreateFolder_Cache").at(kAttributes), "4");
  EXPECT_NE(LogText().find("CreateFolder created: directoryID='" + logs.at(kDirectory) +
                           "' for component 'CreateFolder_Logs'"),
            std::string::npos);
}

}  // namespace
