// Whole builds through SABuild.dll of projects made through the engine, read back with msitools
// (and 7-Zip for the raw streams).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>

#include "sample_project.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

namespace fs = std::filesystem;
using buildertest::EngineProject;
using testenv::ReadText;
using test_support::RunCommand;
using test_support::ShellQuote;
using testenv::TempDir;

const char* kPackageCode = "{AAAAAAAA-0000-0000-0000-000000000042}";

// The rows of a table by the text of their first column.
std::map<std::string, std::vector<std::string>> ExportTable(const std::string& package, const std::string& table) {
  std::map<std::string, std::vector<std::string>> rows;
  for (const auto& row : test_support::DumpTable(package, table)) rows[row[0]] = row;
  return rows;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(BuildPackage, CompressedPackageHoldsEveryFileWithItsTablesAndSummary) {
  TempDir temp;
  EngineProject project(temp / "Sample.vpx");
  const auto sample = buildertest::FillSampleProject(project, temp / "cap");
  project.SetRelease(/*compressed=*/true, /*setupExe=*/false, /*fixed=*/true, "Demo", kPackageCode);
  project.Save();
  const auto outcome = project.Build();
  ASSERT_EQ(outcome.result, qv::kOk);
  ASSERT_EQ(outcome.errors, 0) << ::testing::PrintToString(outcome.messages);
  EXPECT_EQ(outcome.warnings, 0) << ::testing::PrintToString(outcome.messages);
  const std::string package = temp / "Demo.msi";
  EXPECT_EQ(outcome.packagePath, package);
  // Nothing but the package is left beside the project.
  EXPECT_EQ(FolderEntries(temp.path()), (std::vector<std::string>{"Demo.msi", "Sample.vpx", "cap"}));

  std::string output;
  auto files = ExportTable(package, "File");
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(files["app.exe"][4], "1.2.3.4");  // Version
  EXPECT_EQ(files["app.exe"][5], "1031");     // Language
  EXPECT_EQ(files["app.exe"][3], std::to_string(sample.files.at("app.exe").second.size()));
  EXPECT_EQ(files["data.bin"][3], "300000");
  EXPECT_EQ(files["readme.txt"][4], "");
  std::set<std::string> sequences;
  for (auto& [key, row] : files) sequences.insert(row[7]);
  EXPECT_EQ(sequences, (std::set<std::string>{"1", "2", "3", "4"}));

  auto hashes = ExportTable(package, "MsiFileHash");
  EXPECT_EQ(hashes.size(), 3u);  // every unversioned file, not the program
  EXPECT_EQ(hashes.count("app.exe"), 0u);
  // MD5 of "Read me first.\r\n" as four signed little-endian parts.
  EXPECT_EQ(std::vector<std::string>(hashes["readme.txt"].begin() + 2, hashes["readme.txt"].end()),
            (std::vector<std::string>{"-1775232773", "1453353552", "389376058", "262581942"}));

  auto media = ExportTable(package, "Media");
  ASSERT_EQ(media.size(), 1u);
  EXPECT_EQ(media["1"][1], "4");
  EXPECT_EQ(media["1"][3], "#Data1.cab");

  bool appPath = false, appPathSearch = false;
  for (auto& [key, row] : ExportTable(package, "Registry")) {
    if (row[2] != "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\APP.EXE") continue;
    EXPECT_EQ(row[1], "2");
    EXPECT_EQ(row[5], "MainComponent");
    if (row[3].empty()) appPath = row[4] == "[#app.exe]";
    if (row[3] == "Path") appPathSearch = row[4] == "[INSTALLDIR]";
  }
  EXPECT_TRUE(appPath);
  EXPECT_TRUE(appPathSearch);
  // The setup's DLL call goes through the DLL wrapper.
  EXPECT_EQ(ExportTable(package, "CustomAction")["DLLCA1"], (std::vector<std::string>{"DLLCA1", "65", "QvDLLWrapper64", "CallDllFunction", ""}));
  EXPECT_EQ(ExportTable(package, "InstallExecuteSequence").count("DLLCA1_Call"), 1u);

  ASSERT_EQ(RunCommand("TZ=UTC msiinfo suminfo " + ShellQuote(package), &output), 0);
  // The release's package code and, with fixed time stamps, a fixed creation time.
  for (const char* line : {"Revision number (UUID): {AAAAAAAA-0000-0000-0000-000000000042}",
                           "Created: Sat Jan  1 00:00:00 2000", "Last saved: Sat Jan  1 00:00:00 2000"})
    EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;

  // msiextract (through the cabinet) gives back every captured file.
  ASSERT_EQ(RunCommand("cd " + ShellQuote(temp.path()) + " && msiextract -C out Demo.msi", &output), 0)
      << output;
  for (const auto& [key, file] : sample.files) {
    bool found = false;
    for (const auto& entry : fs::recursive_directory_iterator(temp / "out"))
      if (entry.path().filename() == file.first) found = ReadText(entry.path()) == file.second;
    EXPECT_TRUE(found) << file.first;
  }
  // The cabinet, written into the package's file after its header, stands on its own for the
  // other decoders too.
  ASSERT_EQ(RunCommand("cd " + ShellQuote(temp.path()) + " && 7zz x -tCompound -y -ostreams Demo.msi", &output), 0)
      << output;
  EXPECT_EQ(RunCommand("cabextract -t " + ShellQuote(temp / "streams/Data1.cab"), &output), 0) << output;
  EXPECT_EQ(RunCommand("7zz t " + ShellQuote(temp / "streams/Data1.cab"), &output), 0) << output;
}

// A Registry row of a component that does not exist (a validation error), and a compressed
// release whose validation errors fail the build; the project is saved.
void AddOrphanAndFailOnValidationErrors(EngineProject& project, const std::string& packageName) {
  project.AddRow("Registry", {qv::Variant::Text("orphan"), qv::Variant::Int(2), qv::Variant::Text("Software\\X"),
                              qv::Variant::Text("v"), qv::Variant::Text("1"), qv::Variant::Text("NoSuchComponent")});
  project.SetRelease(true, false, true, packageName, kPackageCode);
  project.SetReleaseSetting("FailOnValidationErrors", qv::Variant::Int(1));
  project.Save();
}

// A missing source file fails the build of a whole conversion (e2e/package_test); a row that
// breaks the schema, or a source path that leads out of the source folder, can only come from a
// project.
// Validation errors fail the build only when the release asks for it (validation_test.cpp
// shows the build that goes on by default).
TEST(BuildPackage, ABrokenReferenceFailsTheBuildWithoutAPackageWhenTheReleaseAsks) {
  TempDir temp;
  EngineProject project(temp / "Broken.vpx");
  buildertest::FillSampleProject(project, temp / "cap");
  testenv::WriteText(temp / "secret.txt", "secret");
  project.AddFile("leak.txt", "MainComponent", "leak.txt", "<SOURCEFILEPATH>\\..\\secret.txt");
  project.AddFile("long.txt", "MainComponent", "long.txt", "<SOURCEFILEPATH>\\\x01" + std::string(100000, 'x'));
  AddOrphanAndFailOnValidationErrors(project, "Broken");
  const auto outcome = project.Build();
  EXPECT_NE(outcome.result, qv::kOk);
  bool named = false, refused = false, cut = false;
  for (const auto& m : outcome.messages) {
    // A name of any length is shown cut, with its control characters escaped.
    EXPECT_LT(m.size(), 2100u);
    cut |= m.find("<SOURCEFILEPATH>\\\\x01xxx") != std::string::npos && m.find(" more characters)") != std::string::npos;
    named |= m.find("Table 'Registry', row 'orphan', column 'Component_'") != std::string::npos;
    refused |= m.find("Table 'File', row 'leak.txt', column 'FileName': the source file "
                      "'<SOURCEFILEPATH>\\..\\secret.txt' lies outside the source folder") != std::string::npos;
  }
  EXPECT_TRUE(named) << ::testing::PrintToString(outcome.messages);
  EXPECT_TRUE(refused) << ::testing::PrintToString(outcome.messages);
  EXPECT_TRUE(cut) << ::testing::PrintToString(outcome.messages).substr(0, 5000);
  bool failedForIt = false;
  for (const auto& m : outcome.messages) failedForIt |= m.starts_with("Error: The package has ");
  EXPECT_TRUE(failedForIt) << ::testing::PrintToString(outcome.messages);
  EXPECT_EQ(FolderEntries(temp.path()), (std::vector<std::string>{"Broken.vpx", "cap", "secret.txt"}));

  // With validation errors alone, found while the cabinets are compressed, the build stops the
  // same way and leaves nothing behind.
  TempDir other;
  EngineProject orphan(other / "Orphan.vpx");
  buildertest::FillSampleProject(orphan, other / "cap");
  AddOrphanAndFailOnValidationErrors(orphan, "Orphan");
  const auto stopped = orphan.Build();
  EXPECT_NE(stopped.result, qv::kOk);
  const std::string said = ::testing::PrintToString(stopped.messages);
  EXPECT_NE(said.find("Table 'Registry', row 'orphan', column 'Component_'"), std::string::npos) << said;
  EXPECT_NE(said.find("Error: The package has 2 validation errors"), std::string::npos) << said;
  EXPECT_EQ(FolderEntries(other.path()), (std::vector<std::string>{"Orphan.vpx", "cap"}));
}

TEST(BuildPackage, EqualNamesBelowTwoStandardFoldersAreTwoFilesOfTheImage) {
  TempDir temp;
  EngineProject project(temp / "Sample.vpx");
  buildertest::FillSampleProject(project, temp / "cap");
  testenv::WriteText(temp / "cap/AppData/Acme/user.cfg", "per user");
  testenv::WriteText(temp / "cap/Common/Acme/user.cfg", "shared");
  using V = qv::Variant;
  project.AddRow("Directory", {V::Text("UserAcme"), V::Text("AppDataFolder"), V::Text("Acme")});
  project.AddRow("Directory", {V::Text("SharedAcme"), V::Text("CommonFilesFolder"), V::Text("Acme")});
  project.AddComponent("UserComponent", "UserAcme", 0, "user.cfg");
  project.AddComponent("SharedComponent", "SharedAcme", 0, "user.cfg1");
  project.AddFile("user.cfg", "UserComponent", "user.cfg", "<SOURCEFILEPATH>\\AppData\\Acme\\user.cfg");
  project.AddFile("user.cfg1", "SharedComponent", "user.cfg", "<SOURCEFILEPATH>\\Common\\Acme\\user.cfg");
  project.SetRelease(/*compressed=*/false, false, true, "Image", kPackageCode);
  project.Save();
  const auto outcome = project.Build();
  ASSERT_EQ(outcome.errors, 0) << ::testing::PrintToString(outcome.messages);
  EXPECT_EQ(ReadText(temp / "Image/AppDataFolder/Acme/user.cfg"), "per user");
  EXPECT_EQ(ReadText(temp / "Image/CommonFilesFolder/Acme/user.cfg"), "shared");
  // The installer looks for them there: the standard folders have source folders of their own.
  auto directories = ExportTable(temp / "Image/Image.msi", "Directory");
  EXPECT_EQ(directories["AppDataFolder"][2], ".:APPDAT~1|AppDataFolder");
  EXPECT_TRUE(std::regex_match(directories["CommonFilesFolder"][2], std::regex("\\.:COMMON~[0-9]\\|CommonFilesFolder")))
      << directories["CommonFilesFolder"][2];

  // Two files that would still meet at one place are an error, and nothing is written.
  project.AddRow("Directory", {V::Text("UserAcme2"), V::Text("AppDataFolder"), V::Text("ACME")});
  project.AddComponent("UserComponent2", "UserAcme2", 0, "user.cfg2");
  project.AddFile("user.cfg2", "UserComponent2", "USER.CFG", "<SOURCEFILEPATH>\\AppData\\Acme\\user.cfg");
  project.SetRelease(false, false, true, "Clash", kPackageCode);
  project.Save();
  const auto clash = project.Build();
  EXPECT_GE(clash.errors, 1);
  bool named = false;
  for (const auto& m : clash.messages)
    named |= m.find("row 'user.cfg2'") != std::string::npos && m.find("'user.cfg'") != std::string::npos &&
             m.find("AppDataFolder/ACME/USER.CFG") != std::string::npos;
  EXPECT_TRUE(named) << ::testing::PrintToString(clash.messages);
  EXPECT_FALSE(fs::exists(temp / "Clash"));
}

}  // namespace
