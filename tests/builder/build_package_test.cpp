// Whole builds through SABuild.dll of projects made through the engine, read back with msitools
// (and 7-Zip for the raw streams).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "file_hash.h"
#include "package_build.h"
#include "support/engine_presence.h"
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

// The rows of a table as msiinfo exports it, by the text of the first column.
std::map<std::string, std::vector<std::string>> ExportTable(const std::string& package, const std::string& table) {
  std::string output;
  EXPECT_EQ(RunCommand("msiinfo export " + ShellQuote(package) + " " + table, &output), 0) << output;
  std::map<std::string, std::vector<std::string>> rows;
  std::istringstream lines(output);
  std::string line;
  for (int n = 0; std::getline(lines, line); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (n < 3 || line.empty()) continue;  // column names, types, key line
    std::vector<std::string> cells;
    std::stringstream cellStream(line);
    std::string cell;
    while (std::getline(cellStream, cell, '\t')) cells.push_back(cell);
    if (line.back() == '\t') cells.push_back("");
    rows[cells[0]] = cells;
  }
  return rows;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(BuildPackage, CompressedPackageHoldsEveryFileWithItsTablesAndSummary) {
  SKIP_UNLESS_ENGINE_IS_BUILT();
  TempDir temp;
  EngineProject project(temp / "Sample.vpx");
  const auto sample = buildertest::FillSampleProject(project, temp / "cap");
  project.SetRelease(/*compressed=*/true, /*setupExe=*/false, /*fixed=*/true, "Demo", kPackageCode);
  project.Save();
  const auto outcome = project.Build();
  ASSERT_EQ(outcome.result, qv::kOk);
  ASSERT_EQ(outcome.errors, 0) << ::testing::PrintToString(outcome.messages);
  EXPECT_EQ(outcome.warnings, 1);
  const std::string package = temp / "Demo.msi";
  EXPECT_EQ(outcome.packagePath, package);
  bool warnedAboutWrapper = false;
  for (const auto& m : outcome.messages) warnedAboutWrapper |= m.find("'DLLCA1'") != std::string::npos;
  EXPECT_TRUE(warnedAboutWrapper);
  // Nothing but the package is left beside the project.
  EXPECT_EQ(FolderEntries(temp.path()), (std::vector<std::string>{"Demo.msi", "Sample.vpx", "cap"}));

  std::string output;
  ASSERT_EQ(RunCommand("msiinfo tables " + ShellQuote(package), &output), 0);
  EXPECT_EQ(output.find("Qv"), std::string::npos) << output;

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
  const auto readmeHash = builder::ComputeFileHashOfBytes(sample.files.at("readme.txt").second);
  EXPECT_EQ(hashes["readme.txt"][2], std::to_string(readmeHash[0]));
  EXPECT_EQ(hashes["readme.txt"][5], std::to_string(readmeHash[3]));

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
  EXPECT_EQ(ExportTable(package, "CustomAction").count("DLLCA1"), 0u);
  EXPECT_EQ(ExportTable(package, "InstallExecuteSequence").count("DLLCA1"), 0u);

  ASSERT_EQ(RunCommand("TZ=UTC msiinfo suminfo " + ShellQuote(package), &output), 0);
  for (const char* line : {"Template: Intel;1033", "Revision number (UUID): {AAAAAAAA-0000-0000-0000-000000000042}",
                           "Version: 200", "Source: 2", "Security: 2", "Created: Sat Jan  1 00:00:00 2000",
                           "Application: fernclip"})
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
  EXPECT_EQ(RunCommand("cd " + ShellQuote(temp.path()) + " && 7zz x -tCompound -y -ostreams Demo.msi && "
                       "cabextract -t streams/Data1.cab", &output), 0)
      << output;
}

TEST(BuildPackage, FixedTimeStampsGiveIdenticalBytes) {
  SKIP_UNLESS_ENGINE_IS_BUILT();
  TempDir temp;
  EngineProject project(temp / "Sample.vpx");
  buildertest::FillSampleProject(project, temp / "cap");
  project.SetRelease(true, false, true, "Demo", kPackageCode);
  project.Save();
  ASSERT_EQ(project.Build().errors, 0);
  const std::string first = ReadText(temp / "Demo.msi");
  fs::last_write_time(temp / "cap/ProgramFiles/App/data.bin", fs::file_time_type::clock::now());
  ASSERT_EQ(project.Build().errors, 0);
  EXPECT_EQ(ReadText(temp / "Demo.msi"), first);
}

TEST(BuildPackage, MissingSourceFileOrBrokenReferenceFailsWithoutPackage) {
  SKIP_UNLESS_ENGINE_IS_BUILT();
  TempDir temp;
  {
    EngineProject project(temp / "Sample.vpx");
    buildertest::FillSampleProject(project, temp / "cap");
    project.AddFile("gone.txt", "MainComponent", "gone.txt", "<SOURCEFILEPATH>\\ProgramFiles\\App\\gone.txt");
    project.SetRelease(true, false, true, "Demo", kPackageCode);
    project.Save();
    const auto outcome = project.Build();
    EXPECT_NE(outcome.result, qv::kOk);
    EXPECT_GE(outcome.errors, 1);
    bool named = false;
    for (const auto& m : outcome.messages)
      named |= m.find("Table 'File', row 'gone.txt', column 'FileName'") != std::string::npos &&
               m.find("gone.txt") != std::string::npos;
    EXPECT_TRUE(named) << ::testing::PrintToString(outcome.messages);
    EXPECT_EQ(FolderEntries(temp.path()), (std::vector<std::string>{"Sample.vpx", "cap"}));
  }
  {
    EngineProject project(temp / "Broken.vpx");
    buildertest::FillSampleProject(project, temp / "cap");
    project.AddRow("Registry", {qv::Variant::Text("orphan"), qv::Variant::Int(2), qv::Variant::Text("Software\\X"),
                                qv::Variant::Text("v"), qv::Variant::Text("1"), qv::Variant::Text("NoSuchComponent")});
    project.SetRelease(true, false, true, "Broken", kPackageCode);
    project.Save();
    const auto outcome = project.Build();
    EXPECT_GE(outcome.errors, 1);
    bool named = false;
    for (const auto& m : outcome.messages)
      named |= m.find("Table 'Registry', row 'orphan', column 'Component_'") != std::string::npos;
    EXPECT_TRUE(named) << ::testing::PrintToString(outcome.messages);
    EXPECT_FALSE(fs::exists(temp / "Broken.msi"));
    for (const auto& name : FolderEntries(temp.path())) EXPECT_EQ(name.find(".msi"), std::string::npos) << name;
  }
}

TEST(BuildPackage, UncompressedImageAndSetupLauncher) {
  SKIP_UNLESS_ENGINE_IS_BUILT();
  TempDir temp;
  EngineProject project(temp / "Sample.vpx");
  const auto sample = buildertest::FillSampleProject(project, temp / "cap");
  project.SetRelease(/*compressed=*/false, /*setupExe=*/true, true, "Demo", kPackageCode);
  project.Save();
  const auto outcome = project.Build();
  ASSERT_EQ(outcome.errors, 0) << ::testing::PrintToString(outcome.messages);
  const std::string package = temp / "Demo/Demo.msi";
  EXPECT_EQ(outcome.packagePath, package);
  ASSERT_TRUE(fs::exists(package));
  ASSERT_TRUE(fs::exists(temp / "Demo/setup.exe"));
  EXPECT_NE(ReadText(temp / "Demo/setup.exe").find(std::string("D\0e\0m\0o\0.\0m\0s\0i\0\0\0", 18)), std::string::npos);

  auto media = ExportTable(package, "Media");
  ASSERT_EQ(media.size(), 1u);
  EXPECT_EQ(media["1"][3], "");  // no cabinet
  std::string output;
  ASSERT_EQ(RunCommand("TZ=UTC msiinfo suminfo " + ShellQuote(package), &output), 0);
  EXPECT_NE(output.find("Source: 0"), std::string::npos) << output;
  ASSERT_EQ(RunCommand("msiinfo streams " + ShellQuote(package), &output), 0);
  EXPECT_EQ(output.find(".cab"), std::string::npos) << output;

  // The image holds every file under its Directory path, with long names.
  size_t found = 0;
  for (const auto& entry : fs::recursive_directory_iterator(temp / "Demo")) {
    for (const auto& [key, file] : sample.files)
      if (entry.path().filename() == file.first && ReadText(entry.path()) == file.second) ++found;
  }
  EXPECT_EQ(found, sample.files.size());
  bool guideBelowDocs = false;
  for (const auto& entry : fs::recursive_directory_iterator(temp / "Demo"))
    if (entry.path().filename() == "Guide.txt") guideBelowDocs = entry.path().parent_path().filename() == "Docs";
  EXPECT_TRUE(guideBelowDocs);
}

TEST(BuildPackage, EqualNamesBelowTwoStandardFoldersAreTwoFilesOfTheImage) {
  SKIP_UNLESS_ENGINE_IS_BUILT();
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

namespace {

class CollectedMessages final : public builder::BuildMessages {
 public:
  std::vector<std::string> texts;

 protected:
  void Send(int32_t, const std::string& text) override { texts.push_back(text); }
};

TEST(BuildPackage, FilesBeyondOneCabinetGoIntoFurtherCabinetsAndMediaRows) {
  SKIP_UNLESS_ENGINE_IS_BUILT();
  TempDir temp;
  EngineProject project(temp / "Sample.vpx");
  const auto sample = buildertest::FillSampleProject(project, temp / "cap");
  project.SetRelease(true, false, true, "Split", kPackageCode);
  project.Save();
  builder::BuildRequest request;
  request.project = project.Project();
  request.configuration = "Product1";
  request.release = "Release1";
  request.engineFolder = FERNCLIP_BUILD_DIR;
  request.cabinetLimits.maxFiles = 3;
  CollectedMessages messages;
  std::string package;
  ASSERT_TRUE(builder::RunBuild(request, messages, &package)) << ::testing::PrintToString(messages.texts);

  auto media = ExportTable(package, "Media");
  ASSERT_EQ(media.size(), 2u);
  EXPECT_EQ(media["1"][1], "3");
  EXPECT_EQ(media["1"][3], "#Data1.cab");
  EXPECT_EQ(media["2"][1], "4");
  EXPECT_EQ(media["2"][3], "#Data2.cab");
  std::string output;
  ASSERT_EQ(RunCommand("cd " + ShellQuote(temp.path()) + " && msiextract -C out Split.msi", &output), 0) << output;
  size_t found = 0;
  for (const auto& entry : fs::recursive_directory_iterator(temp / "out"))
    for (const auto& [key, file] : sample.files)
      if (entry.path().filename() == file.first && ReadText(entry.path().string()) == file.second) ++found;
  EXPECT_EQ(found, sample.files.size());
}

}  // namespace
