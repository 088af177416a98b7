// Builds of projects that name merge modules (the test modules fernrt and fernext, made with
// msitools): the modules' tables, sequences, components and files in the package, read back with
// msitools, and the problems that fail the build without leaving a package.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>

#include "sample_project.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

namespace fs = std::filesystem;
using buildertest::EngineProject;
using test_support::DumpTable;
using test_support::RowWithKey;
using test_support::RunCommand;
using test_support::ShellQuote;
using testenv::ReadText;
using testenv::TempDir;

const char* kPackageCode = "{AAAAAAAA-0000-0000-0000-000000000016}";
const std::string kModules = FERNCLIP_MERGE_MODULES_DIR;
const std::string kRt = "6F1E2D3C_4B5A_4968_8776_A5B4C3D2E1F0";
const std::string kExt = "7A2B3C4D_5E6F_4A0B_9C1D_2E3F4A5B6C7D";

void AddFernrt(EngineProject& project, const std::string& path = kModules + "/fernrt.msm") {
  project.AddMergeModule("fernrt.msm", "Main", path, "1033", "2.5.0.1");
}
void AddFernext(EngineProject& project, const std::string& path = kModules + "/fernext.msm") {
  project.AddMergeModule("fernext.msm", "Main", path, "1033", "1.0.0.0");
}

int Number(const std::string& text) { return std::stoi(text); }

// The sequence number of an action; fails the test when the table lacks it.
int SequenceOf(const test_support::Rows& table, const std::string& action) {
  const auto row = RowWithKey(table, action);
  EXPECT_EQ(row.size(), 3u) << action;
  return row.size() == 3 ? Number(row[2]) : -1;
}

// The highest sequence number below number, and the lowest above it (in the package's table).
std::pair<int, int> Neighbours(const test_support::Rows& table, int number) {
  int below = 0, above = 1 << 20;
  for (const auto& row : table) {
    if (row.size() < 3 || row[2].empty()) continue;
    const int n = Number(row[2]);
    if (n < number && n > below) below = n;
    if (n > number && n < above) above = n;
  }
  return {below, above};
}

bool SaidSomewhere(const std::vector<std::string>& messages, const std::string& text) {
  for (const auto& m : messages)
    if (m.find(text) != std::string::npos) return true;
  return false;
}

TEST(MergeModuleBuild, ModulesJoinThePackageAsTheMergeToolMergesThem) {
  TempDir temp;
  EngineProject project(temp / "Merged.vpx");
  buildertest::FillSampleProject(project, temp / "cap");
  project.SetProperty("ProductVersion", "1.0.0");
  AddFernrt(project);
  AddFernext(project);
  project.SetRelease(/*compressed=*/true, false, /*fixed=*/true, "Merged", kPackageCode);
  project.Save();
  const auto outcome = project.Build();
  ASSERT_EQ(outcome.result, qv::kOk) << ::testing::PrintToString(outcome.messages);
  EXPECT_TRUE(SaidSomewhere(outcome.messages, "Validation: 0 errors")) << ::testing::PrintToString(outcome.messages);
  const std::string package = temp / "Merged.msi";

  // The modules' own tables come along; the tables that only steer the merge do not.
  EXPECT_EQ(DumpTable(package, "ModuleSignature").size(), 2u);
  EXPECT_EQ(RowWithKey(DumpTable(package, "ModuleSignature"), "fernrt." + kRt),
            (std::vector<std::string>{"fernrt." + kRt, "1033", "2.5.0.1"}));
  EXPECT_EQ(DumpTable(package, "ModuleComponents").size(), 3u);
  EXPECT_EQ(RowWithKey(DumpTable(package, "ModuleDependency"), "fernext." + kExt).at(2), "fernrt." + kRt);
  for (const auto& table : test_support::ListTables(package))
    EXPECT_FALSE(table.starts_with("ModuleInstall") || table.starts_with("ModuleAdmin") ||
                 table == "ModuleConfiguration" || table == "ModuleSubstitution" || table.starts_with("Qv"))
        << table;

  // Folders below the package's own TARGETDIR; the configurable value at its default.
  const auto directories = DumpTable(package, "Directory");
  EXPECT_EQ(RowWithKey(directories, "SystemFolder." + kRt).at(1), "TARGETDIR");
  EXPECT_EQ(RowWithKey(directories, "TARGETDIR").at(2), "SourceDir");
  EXPECT_EQ(RowWithKey(DumpTable(package, "CustomAction"), "FernextReady." + kExt),
            (std::vector<std::string>{"FernextReady." + kExt, "51", "FERNEXTREADY", "ready", ""}));

  // Sequences: the standard actions stay; the modules' actions lie between their base action
  // and its neighbour, the first module merged (fernext) nearer the neighbour.
  for (const char* name : {"InstallExecuteSequence", "InstallUISequence", "AdminExecuteSequence", "AdminUISequence"}) {
    const auto sequence = DumpTable(package, name);
    const int costInitialize = SequenceOf(sequence, "CostInitialize");
    EXPECT_EQ(costInitialize, 800) << name;
    const int ext = SequenceOf(sequence, "SystemFolder." + kExt), rt = SequenceOf(sequence, "SystemFolder." + kRt);
    EXPECT_EQ(Neighbours(sequence, ext).second, rt) << name;
    EXPECT_EQ(Neighbours(sequence, rt).second, costInitialize) << name;
  }
  const auto execute = DumpTable(package, "InstallExecuteSequence");
  const int ready = SequenceOf(execute, "FernextReady." + kExt);
  EXPECT_GT(ready, SequenceOf(execute, "CostFinalize"));
  EXPECT_LT(ready, SequenceOf(execute, "InstallValidate"));

  // Every module component in the feature the project names.
  int inMain = 0;
  for (const auto& row : DumpTable(package, "FeatureComponents"))
    inMain += row[0] == "Main" && (row[1].ends_with(kRt) || row[1].ends_with(kExt));
  EXPECT_EQ(inMain, 3);

  // The modules' files follow the project's four, module by module in the module's order, in
  // the package's cabinet; the DLL has its version.
  const auto files = DumpTable(package, "File");
  EXPECT_EQ(RowWithKey(files, "fernext_txt." + kExt).at(7), "5");
  EXPECT_EQ(RowWithKey(files, "fernrt_dll." + kRt).at(7), "6");
  EXPECT_EQ(RowWithKey(files, "fernrt_txt." + kRt).at(7), "7");
  EXPECT_EQ(RowWithKey(files, "fernrt_dll." + kRt).at(4), "2.5.0.1");
  EXPECT_EQ(RowWithKey(files, "fernrt_dll." + kRt).at(5), "1033");
  EXPECT_EQ(RowWithKey(DumpTable(package, "Media"), "1").at(1), "7");
  EXPECT_EQ(RowWithKey(DumpTable(package, "MsiFileHash"), "fernrt_txt." + kRt).size(), 6u);
  std::string output;
  ASSERT_EQ(RunCommand("cd " + ShellQuote(temp.path()) + " && msiextract -C out Merged.msi", &output), 0) << output;
  std::map<std::string, std::string> extracted;
  for (const auto& entry : fs::recursive_directory_iterator(temp / "out"))
    if (entry.is_regular_file()) extracted[entry.path().filename().string()] = ReadText(entry.path());
  EXPECT_EQ(extracted["fernrt.dll"], ReadText(kModules + "/fernrt/fernrt.dll"));
  EXPECT_EQ(extracted["fernrt.txt"], ReadText(std::string(FERNCLIP_TEST_DATA_DIR) + "/merge_modules/fernrt/fernrt.txt"));
  EXPECT_EQ(extracted["fernext.txt"], ReadText(std::string(FERNCLIP_TEST_DATA_DIR) + "/merge_modules/fernext/fernext.txt"));

  // With fixed GUIDs and time stamps the same project gives the same bytes again. The unpacked
  // files are gone, and so are those that a build killed outright left beside the project.
  fs::rename(package, temp / "first.msi");
  fs::create_directories(temp / "merge-modules.tmp99999999.1/1");
  ASSERT_EQ(project.Build().result, qv::kOk);
  EXPECT_EQ(ReadText(package), ReadText(temp / "first.msi"));
  for (const auto& entry : fs::directory_iterator(temp.path()))
    EXPECT_FALSE(entry.path().filename().string().starts_with("merge-modules")) << entry.path();

  // An uncompressed image holds the modules' files in their folders.
  project.SetRelease(/*compressed=*/false, false, true, "Image", kPackageCode);
  project.Save();
  const auto image = project.Build();
  ASSERT_EQ(image.result, qv::kOk) << ::testing::PrintToString(image.messages);
  EXPECT_EQ(ReadText(temp / ("Image/SystemFolder." + kRt + "/fernrt.dll")), ReadText(kModules + "/fernrt/fernrt.dll"));
  EXPECT_TRUE(fs::exists(temp / ("Image/SystemFolder." + kExt + "/fernext.txt")));
}

// Each problem fails the build with an error naming the module, and no package is written.
TEST(MergeModuleBuild, AModuleThatCannotBeMergedFailsTheBuildWithoutAPackage) {
  TempDir temp;
  // A copy of fernext that excludes fernrt, and a file that is no module.
  fs::copy_file(kModules + "/fernext.msm", temp / "fernext.msm");
  testenv::WriteText(temp / "ModuleExclusion.idt",
                     "ModuleID\tModuleLanguage\tExcludedID\tExcludedLanguage\tExcludedMinVersion\tExcludedMaxVersion\r\n"
                     "s72\ti2\ts72\ti2\tS32\tS32\r\n"
                     "ModuleExclusion\tModuleID\tModuleLanguage\tExcludedID\tExcludedLanguage\r\n"
                     "fernext." + kExt + "\t1033\tfernrt." + kRt + "\t0\t2.0\t3.0\r\n");
  std::string output;
  ASSERT_EQ(RunCommand("msibuild " + ShellQuote(temp / "fernext.msm") + " -i " + ShellQuote(temp / "ModuleExclusion.idt"),
                       &output), 0) << output;
  testenv::WriteText(temp / "bogus.msm", "no compound file");
  // A copy of fernrt that carries a table of the build's own, which would name a file to read.
  fs::copy_file(kModules + "/fernrt.msm", temp / "fernrt.msm");
  testenv::WriteText(temp / "QvFileSource.idt", "File_\tSourcePath\r\ns72\ts0\r\nQvFileSource\tFile_\r\n"
                                                "fernrt_txt." + kRt + "\t/etc/passwd\r\n");
  ASSERT_EQ(RunCommand("msibuild " + ShellQuote(temp / "fernrt.msm") + " -i " + ShellQuote(temp / "QvFileSource.idt"),
                       &output), 0) << output;

  struct Case {
    const char* name;
    std::function<void(EngineProject&)> fill;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"missing dependency", [](EngineProject& p) { AddFernext(p); },
       "Merge module 'fernext.msm' requires module fernrt." + kRt + " (language 1033, version 2.5.0.1 or later)"},
      {"exclusion", [&](EngineProject& p) { AddFernrt(p); AddFernext(p, temp / "fernext.msm"); },
       "Merge module 'fernext.msm' excludes module fernrt." + kRt + " (language 1033, version 2.5.0.1), which merge "
       "module 'fernrt.msm' brings"},
      {"conflict", [](EngineProject& p) {
         AddFernrt(p);
         p.AddRow("Directory", {qv::Variant::Text("SystemFolder." + kRt), qv::Variant::Text("TARGETDIR"),
                                qv::Variant::Text("Other")});
       },
       "Merge module 'fernrt.msm': table 'Directory', row 'SystemFolder." + kRt +
           "' conflicts with the package's row of that key (column 'DefaultDir' differs)"},
      {"missing file", [&](EngineProject& p) { AddFernrt(p, temp / "nowhere.msm"); },
       "Merge module 'fernrt.msm': the module file '" + (temp / "nowhere.msm") + "' was not found"},
      {"not a module", [&](EngineProject& p) { AddFernrt(p, temp / "bogus.msm"); },
       "Merge module 'fernrt.msm': the module file '" + (temp / "bogus.msm") + "' cannot be read as a merge module"},
      {"project table", [&](EngineProject& p) { AddFernrt(p, temp / "fernrt.msm"); },
       "Merge module 'fernrt.msm': it holds table 'QvFileSource', which is no table of a merge module"},
      {"unknown feature", [](EngineProject& p) {
         AddFernrt(p);
         p.AddMergeModule("fernrt.msm", "Extras", kModules + "/fernrt.msm", "1033", "2.5.0.1");
       },
       "Merge module 'fernrt.msm': its feature 'Extras' is not in the package"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = temp / c.name;
    fs::create_directories(folder);
    EngineProject project(folder + "/P.vpx");
    buildertest::FillSampleProject(project, folder + "/cap");
    c.fill(project);
    project.SetRelease(true, false, true, "P", kPackageCode);
    project.Save();
    const auto outcome = project.Build();
    EXPECT_NE(outcome.result, qv::kOk);
    EXPECT_TRUE(SaidSomewhere(outcome.messages, c.expected)) << ::testing::PrintToString(outcome.messages);
    EXPECT_FALSE(fs::exists(folder + "/P.msi"));
    for (const auto& entry : fs::directory_iterator(folder))
      EXPECT_TRUE(entry.path().filename() == "P.vpx" || entry.path().filename() == "cap") << entry.path();
  }
}

}  // namespace
