// The links capture (tests/data/e2e/links) converted with the options that change its shortcuts
// and INI files; install/links_install_test installs the default conversion under Wine.
#include <gtest/gtest.h>

#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

TEST(Shortcuts, WithoutAdvertisingEveryShortcutIsPlainAndCommentedIniFilesConvertWhenAsked) {
  testenv::TempDir temp;
  const std::string script = test_support::CopyCapture("e2e/links", temp / "links");
  test_support::SetGeneralOption(temp / "links/options.ini", "UseAdvertisedShortcuts", "N");
  test_support::SetGeneralOption(temp / "links/options.ini", "IgnoreIniComments", "Y");
  // The capture's options fail the build on any validation error.
  const auto run = test_support::RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  const std::string package = temp / "links/Links App.msi";

  const auto shortcuts = test_support::DumpTable(package, "Shortcut");
  ASSERT_EQ(shortcuts.size(), 3u);
  for (const auto& row : shortcuts) EXPECT_EQ(row[3], "ShortcutsComponent") << row[0];
  // A plain shortcut to the program still shows the program's icon.
  const auto viewer = test_support::RowWithKey(shortcuts, "LinksViewer");
  EXPECT_EQ(viewer[4], "[INSTALLDIR]viewer.exe");
  EXPECT_FALSE(viewer[8].empty());
  EXPECT_TRUE(run.HasLine("Warning: A non-advertised shortcut must be created for viewer.exe in folder "
                          "[ProgramMenuFolder]Links Tools.  Autorepair cannot be enabled for this shortcut."))
      << run.out;
  // The key path of the plain shortcuts' component lies under HKEY_CURRENT_USER: they are in the
  // user's profile.
  const auto registry = test_support::DumpTable(package, "Registry");
  const auto keyPath = test_support::RowWithKey(registry, "Registry_Shortcuts");
  ASSERT_EQ(keyPath.size(), 6u);
  EXPECT_EQ(keyPath[1] + " " + keyPath[2], "1 Software\\Shortcuts");

  // notes.ini, with its comment line, is written entry by entry now; the comment is dropped.
  EXPECT_TRUE(test_support::RowWithKey(test_support::DumpTable(package, "File"), "notes.ini").empty());
  size_t notesRows = 0;
  for (const auto& row : test_support::DumpTable(package, "IniFile")) {
    if (row[1] != "notes.ini") continue;
    ++notesRows;
    EXPECT_EQ(row[3] + " " + row[4] + "=" + row[5], "Notes Wrap=1");
  }
  EXPECT_EQ(notesRows, 1u);
}

}  // namespace
