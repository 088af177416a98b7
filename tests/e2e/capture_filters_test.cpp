// A capture converted through a repackager project file whose settings file excludes class
// registrations, values, files and removed data, and whose own lists include some of them
// back: the project holds exactly the rows of the same capture converted without filters,
// less those the lists leave out.
#include <gtest/gtest.h>

#include <set>

#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

using test_support::CopyCapture;
using test_support::DumpTable;
using test_support::RunFernclip;

// The rows of the tables the filters bear on, each as "Table: column|column|..." over the
// columns that say what the row is (keys and component names left out).
std::multiset<std::string> FilteredRows(const std::string& project) {
  const std::pair<const char*, std::vector<size_t>> tables[] = {
      {"Registry", {1, 2, 3, 4}}, {"RemoveRegistry", {1, 2, 3}}, {"File", {2}}, {"RemoveFile", {2, 3}}};
  std::multiset<std::string> rows;
  for (const auto& [table, columns] : tables) {
    for (const std::vector<std::string>& row : DumpTable(project, table)) {
      std::string text = std::string(table) + ":";
      for (const size_t column : columns) text += (column < row.size() ? row[column] : "?") + "|";
      rows.insert(text);
    }
  }
  return rows;
}

std::string Joined(const std::multiset<std::string>& rows) {
  std::string text;
  for (const std::string& row : rows) text += row + "\n";
  return text;
}

}  // namespace

TEST(CaptureFilters, TheListsOfTheProjectAndTheSettingsFileLeaveTheirRows) {
  testenv::TempDir temp;
  const std::string registry = temp / "registry.reg";
  const auto plain = RunFernclip({CopyCapture("e2e/rich", temp / "plain"), "/vpxonly", "/fakeguids"}, registry);
  ASSERT_EQ(plain.exitCode, 0) << plain.out;
  const std::multiset<std::string> unfiltered = FilteredRows(temp / "plain/rich.vpx");

  const auto filtered =
      RunFernclip({test_support::CopyFilteredRichCapture(temp / "rich"), "/vpxonly", "/fakeguids"}, registry);
  ASSERT_EQ(filtered.exitCode, 0) << filtered.out;

  std::multiset<std::string> expected = unfiltered;
  const std::vector<std::string> leftOut = {
      // The class key as captured, below HKEY_LOCAL_MACHINE\Software\Classes.
      "Registry:0|.rich||Rich.Document|",
      "Registry:2|SOFTWARE\\Rich\\App|Blob|#x0001feff|",
      "Registry:1|Software\\Rich\\App|Theme|dark|",
      "File:ReadMe~1.txt|Read Me First.txt|",
      "File:user.cfg|",
      "RemoveFile:rich-s~1.tmp|rich-setup.tmp|Temp|",
      "RemoveRegistry:1|Software\\Rich\\App|Obsolete|",
  };
  for (const std::string& row : leftOut) {
    const auto found = expected.find(row);
    ASSERT_NE(found, expected.end()) << row << " is not among the rows without filters:\n" << Joined(unfiltered);
    expected.erase(found);
  }
  EXPECT_EQ(FilteredRows(temp / "rich/rich.vpx"), expected);
}

TEST(CaptureFilters, ShortcutAndIniListsLeaveOutWhatTheyName) {
  testenv::TempDir temp;
  CopyCapture("e2e/links", temp / "links");
  test_support::SetGeneralOption(temp / "links/options.ini", "IgnoreIniComments", "Y");
  // The project file's own lists: an INI file by its folder, a section by the INI file's path,
  // a shortcut by its folder.
  testenv::WriteText(temp / "links/links.wrp",
                     "[Files]\r\nINC=links.inc\r\nConversionOptions=options.ini\r\n"
                     "[Ini-Excludes]\r\n%ProgramFilesFolder%\\Links\\App=notes.ini\r\n"
                     "%ProgramFilesFolder%\\Links\\App\\links.ini=[Paths]\r\n"
                     "[Shortcut-Excludes]\r\n%ProgramMenuFolder%\\Links Tools=Links Read*\r\n");
  const auto run = RunFernclip({temp / "links/links.wrp", "/vpxonly"}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  const std::string project = temp / "links/links.vpx";

  // The excluded INI file is installed as the file it is, not written entry by entry.
  EXPECT_FALSE(test_support::RowWithKey(DumpTable(project, "File"), "notes.ini").empty());
  std::set<std::string> entries;
  for (const auto& row : DumpTable(project, "IniFile"))
    if (row[1] != "linksapp.ini") entries.insert(row[1] + " " + row[3] + " " + row[4]);
  EXPECT_EQ(entries, (std::set<std::string>{"links.ini Display Colors", "links.ini Display Font",
                                            "links.ini Display Empty"}));
  std::set<std::string> shortcuts;
  for (const auto& row : DumpTable(project, "Shortcut")) shortcuts.insert(row[0]);
  EXPECT_EQ(shortcuts, (std::set<std::string>{"LinksViewer", "LinksNotepad"}));
}
