// Captures converted and built by the program as a user runs it, and the packages read back by
// other programs (msitools): the README's demo, a richer capture, reproducible packages with
// /fakeguids, and a build that fails on a file missing from the capture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>

#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

namespace fs = std::filesystem;
using test_support::CapturedFiles;
using test_support::CopyCapture;
using test_support::FilesBelow;
using test_support::RunCommand;
using test_support::RunFernclip;
using test_support::ShellQuote;
using test_support::SplitLines;

std::vector<std::string> Sorted(std::vector<std::string> items) {
  std::sort(items.begin(), items.end());
  return items;
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return Sorted(names);
}

// (file name, bytes) of every file, so that packages and captures can be compared whatever the
// folder names on either side.
std::vector<std::string> NamesAndBytes(const std::map<std::string, std::string>& files) {
  std::vector<std::string> items;
  for (const auto& [path, bytes] : files) items.push_back(fs::path(path).filename().string() + "\n" + bytes);
  return Sorted(items);
}

std::string SummaryField(const std::string& suminfo, const std::string& name) {
  for (const std::string& line : SplitLines(suminfo))
    if (line.starts_with(name + ": ")) return line.substr(name.size() + 2);
  return "<missing>";
}

TEST(Package, TheReadmesDemoBuildsAPackageThatMsitoolsReadWithEveryCapturedFile) {
  testenv::TempDir temp;
  const std::string script = CopyCapture("examples/demo", temp / "demo");
  const auto before = FolderEntries(temp / "demo");
  const auto run = RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;

  // The package is named after the product and lies beside the project; nothing else is left.
  const std::string package = temp / "demo/Fernclip Demo.msi";
  auto expected = before;
  expected.push_back("Fernclip Demo.msi");
  expected.push_back("demo.vpx");
  EXPECT_EQ(FolderEntries(temp / "demo"), Sorted(expected));

  // The build checks its package against the installer's rules and finds no error.
  EXPECT_TRUE(run.ValidatedWithoutErrors()) << run.out;
  std::vector<std::string> lines;
  for (const std::string& line : SplitLines(run.out))
    if (!line.starts_with("Validation: ")) lines.push_back(line);
  const std::vector<std::string> tail = {"--------------------------", "Building .msi package",
                                         "Building compressed package " + package + " (5 files).",
                                         "Package written: " + package, "Finished successfully."};
  ASSERT_GE(lines.size(), tail.size()) << run.out;
  EXPECT_EQ(std::vector<std::string>(lines.end() - long(tail.size()), lines.end()), tail) << run.out;
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find("Warning"), std::string::npos) << run.out;
    EXPECT_EQ(line.find("Error"), std::string::npos) << run.out;
  }

  std::string suminfo;
  ASSERT_EQ(RunCommand("msiinfo suminfo " + ShellQuote(package), &suminfo), 0) << suminfo;
  EXPECT_EQ(SummaryField(suminfo, "Title"), "Installation Database");
  EXPECT_EQ(SummaryField(suminfo, "Subject"), "Fernclip Demo");
  EXPECT_EQ(SummaryField(suminfo, "Template"), "Intel;1033");
  EXPECT_TRUE(std::regex_match(SummaryField(suminfo, "Revision number (UUID)"),
                               std::regex("\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}")))
      << suminfo;
  EXPECT_EQ(SummaryField(suminfo, "Source"), "2 (2)");  // compressed, long names
  EXPECT_EQ(SummaryField(suminfo, "Version"), "200 (c8)");
  EXPECT_EQ(SummaryField(suminfo, "Application").rfind("fernclip ", 0), 0u) << suminfo;
  for (const char* field : {"Author", "Keywords", "Created", "Last saved", "Security"})
    EXPECT_NE(SummaryField(suminfo, field), "<missing>") << field;

  const auto tables = test_support::ListTables(package);
  for (const char* table : {"File", "Component", "Feature", "Directory", "Registry", "RemoveFile", "CreateFolder",
                            "Media", "MsiFileHash", "InstallExecuteSequence", "Property"})
    EXPECT_NE(std::find(tables.begin(), tables.end(), table), tables.end()) << table;
  for (const std::string& table : tables) EXPECT_FALSE(table.starts_with("Qv")) << table;

  EXPECT_EQ(test_support::DumpTable(package, "File").size(), CapturedFiles(script).size());

  // Every captured file comes out of the package with the captured bytes.
  const std::string extracted = temp / "extracted";
  fs::create_directories(extracted);
  std::string output;
  ASSERT_EQ(RunCommand("msiextract -C " + ShellQuote(extracted) + " " + ShellQuote(package), &output), 0) << output;
  EXPECT_EQ(NamesAndBytes(FilesBelow(extracted)), NamesAndBytes(CapturedFiles(script)));
}

// That the rich capture's files, registry data and program arrive is checked by installing it
// (install/rich_install_test); here what an install cannot show.
TEST(Package, TheRichCapturesProgramHasItsVersionAndItsOtherFilesHashes) {
  testenv::TempDir temp;
  const std::string script = CopyCapture("e2e/rich", temp / "rich");
  const auto run = RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  const std::string package = temp / "rich/Rich App.msi";
  const auto files = test_support::DumpTable(package, "File");
  const auto program = test_support::RowWithKey(files, "rich.exe");
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program[4] + " " + program[5], "2.5.0.1 1033");
  EXPECT_EQ(test_support::DumpTable(package, "MsiFileHash").size(), files.size() - 1);
  // The program the setup ran is carried in the Binary table under the key the action names.
  EXPECT_EQ(test_support::RowWithKey(test_support::DumpTable(package, "CustomAction"), "EXECA1"),
            (std::vector<std::string>{"EXECA1", "66", "postinst.exe", "C:\\rich-postinst.txt", ""}));
}

TEST(Package, TwoConversionsWithFakeGuidsGiveIdenticalPackages) {
  for (const auto& [capture, name] : {std::pair{"examples/demo", "Fernclip Demo.msi"}, {"e2e/rich", "Rich App.msi"}}) {
    testenv::TempDir temp;
    const std::string script = CopyCapture(capture, temp / "capture");
    test_support::SetGeneralOption(temp / "capture/options.ini", "CreateSetupExe", "Y");
    // One captured file large enough for many compressed blocks.
    std::string large;
    for (int i = 0; large.size() < 400000; ++i) large += "entry " + std::to_string(i * 7919 % 10007) + "\r\n";
    testenv::WriteText(temp / ("capture/" + test_support::CapturedFiles(script).begin()->first), large);
    const std::string package = temp / ("capture/" + std::string(name));
    setenv("FERNCLIP_BUILD_THREADS", "1", 1);
    auto run = RunFernclip({script, "/fakeguids"}, temp / "registry.reg");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const std::string first = testenv::ReadText(package), firstSetup = testenv::ReadText(temp / "capture/setup.exe");
    ASSERT_FALSE(first.empty() || firstSetup.empty()) << capture;
    // A later run, with the files touched in between and compressed on more threads: the same bytes.
    for (const auto& entry : fs::recursive_directory_iterator(temp / "capture"))
      if (entry.is_regular_file()) fs::last_write_time(entry.path(), fs::file_time_type::clock::now());
    setenv("FERNCLIP_BUILD_THREADS", "3", 1);
    run = RunFernclip({script, "/fakeguids"}, temp / "registry.reg");
    unsetenv("FERNCLIP_BUILD_THREADS");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_TRUE(testenv::ReadText(package) == first) << capture;
    EXPECT_TRUE(testenv::ReadText(temp / "capture/setup.exe") == firstSetup) << capture;
  }
}

TEST(Package, AFileMissingFromTheCaptureFailsTheBuildAndLeavesNoPackage) {
  testenv::TempDir temp;
  const std::string script = CopyCapture("e2e/rich", temp / "rich");
  const std::string notes = temp / "rich/ProgramFilesFolder/Rich/App/notes.txt";
  const std::string notesText = testenv::ReadText(notes);
  fs::remove(notes);
  const auto before = FolderEntries(temp / "rich");

  auto run = RunFernclip({script}, temp / "registry.reg");
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_NE(run.out.find("Error: Table 'File', row 'notes.txt', column 'FileName': the source file "
                         "'<SOURCEFILEPATH>\\ProgramFilesFolder\\Rich\\App\\notes.txt' was not found"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(SplitLines(run.out).back(), "Error: Build failed.") << run.out;
  EXPECT_EQ(run.out.find("Building compressed package"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("Finished successfully."), std::string::npos) << run.out;
  // The project is saved; no package and nothing half written.
  auto expected = before;
  expected.push_back("rich.vpx");
  EXPECT_EQ(FolderEntries(temp / "rich"), Sorted(expected));

  // A package of an earlier, good build stays as it was when a later build fails.
  testenv::WriteText(notes, notesText);
  run = RunFernclip({script}, temp / "registry.reg");
  ASSERT_EQ(run.exitCode, 0) << run.out;
  const std::string package = temp / "rich/Rich App.msi";
  const std::string good = testenv::ReadText(package);
  fs::remove(notes);
  run = RunFernclip({script}, temp / "registry.reg");
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_TRUE(testenv::ReadText(package) == good);
}

}  // namespace
