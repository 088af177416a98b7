// The shortcuts-and-INI capture (tests/data/e2e/links) converted and installed by a real Windows
// Installer under Wine: an advertised Start menu shortcut to a captured program with an icon, a
// plain one to a captured text file, a plain desktop shortcut to a program of the machine, an
// uninstall shortcut that the conversion leaves out; a captured INI file written entry by entry,
// one with a comment line installed as a file, and an AddIni block written into an INI file of
// the Windows folder. Wine writes the shortcuts as .lnk files below the profile's Start menu and
// desktop folders (the all-users ones for a per-machine install).
#include <gtest/gtest.h>

#include <filesystem>

#include "installed_capture.h"
#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"
#include "wine_prefix.h"

namespace {

namespace fs = std::filesystem;
using winetest::WinePrefix;

const char* const kApp = "C:\\Program Files (x86)\\Links\\App\\";
const char* const kAddIniFile = "C:\\windows\\linksapp.ini";

// Where a file of that name lies below the users' folders or ProgramData; empty when nowhere.
std::string FindProfileFile(const WinePrefix& wine, const std::string& name) {
  for (const char* root : {"C:\\users", "C:\\ProgramData"}) {
    std::error_code error;
    const auto options = fs::directory_options::follow_directory_symlink | fs::directory_options::skip_permission_denied;
    for (fs::recursive_directory_iterator it(wine.HostPath(root), options, error), end; it != end; it.increment(error)) {
      if (error) break;
      if (it->path().filename() == name) return it->path().string();
    }
  }
  return {};
}

// The desktop shortcut of that name: on the user's desktop or the public one; empty when neither
// has it.
std::string DesktopFile(const WinePrefix& wine, const std::string& name) {
  std::error_code error;
  for (const auto& user : fs::directory_iterator(wine.HostPath("C:\\users"), error))
    if (fs::exists(user.path() / "Desktop" / name)) return (user.path() / "Desktop" / name).string();
  return {};
}

TEST(LinksInstall, ShortcutsAndIniEntriesArriveAndGoAgain) {
  testenv::TempDir temp;
  const std::string script = test_support::CopyCapture("e2e/links", temp / "links");
  // The capture's options fail the build on any validation error.
  const auto run = test_support::RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  const std::string package = temp / "links/Links App.msi";

  // The viewer's shortcut launches its feature (advertised) and shows the program's icon; the
  // other two name their targets; the uninstall shortcut is not there.
  const auto shortcuts = test_support::DumpTable(package, "Shortcut");
  ASSERT_EQ(shortcuts.size(), 3u) << run.out;
  const auto viewer = test_support::RowWithKey(shortcuts, "LinksViewer");
  ASSERT_EQ(viewer.size(), 12u);
  EXPECT_EQ(viewer[4].find('['), std::string::npos) << viewer[4];
  EXPECT_EQ(test_support::RowWithKey(test_support::DumpTable(package, "Icon"), viewer[8]).size(), 2u) << viewer[8];
  EXPECT_EQ(test_support::DumpProperties(package)["ARPPRODUCTICON"], viewer[8]);
  EXPECT_EQ(test_support::RowWithKey(shortcuts, "LinksNotepad")[4], "[WindowsFolder]notepad.exe");
  EXPECT_TRUE(run.HasLine("Warning: A non-advertised shortcut must be created for readme.txt in folder "
                          "[ProgramMenuFolder]Links Tools.  Autorepair cannot be enabled for this shortcut."))
      << run.out;
  // links.ini became IniFile rows; notes.ini, which has a comment line, stays a file.
  const auto files = test_support::DumpTable(package, "File");
  EXPECT_TRUE(test_support::RowWithKey(files, "links.ini").empty());
  EXPECT_FALSE(test_support::RowWithKey(files, "notes.ini").empty());

  std::string error;
  auto wine = WinePrefix::Create(&error);
  ASSERT_TRUE(wine) << error;
  ASSERT_EQ(wine->Install(package), 0);
  auto captured = test_support::CapturedFiles(script);
  captured.erase("ProgramFilesFolder/Links/App/links.ini");
  winetest::ExpectCapturedFiles(*wine, captured, true);
  const std::string viewerLink = FindProfileFile(*wine, "Links Viewer.lnk");
  ASSERT_FALSE(viewerLink.empty());
  EXPECT_EQ(fs::path(viewerLink).parent_path().filename(), "Links Tools");
  EXPECT_TRUE(fs::exists(fs::path(viewerLink).parent_path() / "Links Read Me.lnk"));
  const std::string notepadLink = DesktopFile(*wine, "Links Notepad.lnk");
  ASSERT_FALSE(notepadLink.empty());
  EXPECT_TRUE(FindProfileFile(*wine, "Uninstall Links.lnk").empty());

  const std::string iniFile = testenv::ReadText(wine->HostPath(std::string(kApp) + "links.ini"));
  for (const char* line : {"[Display]", "Colors=256", "Font=Tahoma", "[Paths]", "Data=Data"})
    EXPECT_NE(iniFile.find(line), std::string::npos) << line << " is not in\n" << iniFile;
  const std::string addIni = testenv::ReadText(wine->HostPath(kAddIniFile));
  for (const char* line : {"[Window]", "Width=800", "Title=Links [main]", "[Recent Files]", "File1=C:\\readme.txt"})
    EXPECT_NE(addIni.find(line), std::string::npos) << line << " is not in\n" << addIni;

  ASSERT_EQ(wine->Uninstall(package), 0);
  winetest::ExpectCapturedFiles(*wine, captured, false);
  EXPECT_FALSE(fs::exists(viewerLink));
  EXPECT_FALSE(fs::exists(fs::path(viewerLink).parent_path()));
  EXPECT_FALSE(fs::exists(notepadLink));
  const std::string addIniAfter =
      fs::exists(wine->HostPath(kAddIniFile)) ? testenv::ReadText(wine->HostPath(kAddIniFile)) : std::string();
  EXPECT_EQ(addIniAfter.find("Width=800"), std::string::npos) << addIniAfter;
}

}  // namespace
