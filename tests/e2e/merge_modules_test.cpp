// Merge modules where the user meets them: a capture of a shared runtime's files, converted with
// the test modules on the search path, names the module in the project instead of the files;
// exclusions, shortcuts and files no module carries keep the files; with UseMergeModules=N
// nothing is looked up. And the catalog's search path as qvlc.ini and the options compose it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "mergemodules/merge_module_selector.h"
#include "support/captures.h"
#include "support/conversion_fixture.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

using test_support::CopyCapture;
using test_support::DumpTable;
using test_support::RunFernclip;
using test_support::SetGeneralOption;

// One conversion of a copy of the runtime capture, the project and the log it left.
struct Conversion {
  test_support::FernclipRun run;
  std::string project;
  std::string log;

  std::vector<std::string> Column(const std::string& table, size_t column) const {
    std::vector<std::string> values;
    for (const auto& row : DumpTable(project, table)) values.push_back(column < row.size() ? row[column] : "?");
    std::sort(values.begin(), values.end());
    return values;
  }
  size_t Count(const std::string& text) const {
    size_t count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
  }
};

class MergeModules : public ::testing::Test {
 protected:
  // Converts a copy of the capture with the test modules on AddlMMSearchPath; edit may change
  // the copy's script and options first.
  Conversion Convert(const std::string& name, const std::function<void(const std::string& script)>& edit = {}) {
    const std::string script = CopyCapture("e2e/merge_modules", temp_ / name);
    const std::string options = temp_ / (name + "/options.ini");
    SetGeneralOption(options, "AddlMMSearchPath", FERNCLIP_MERGE_MODULES_DIR);
    if (edit) edit(script);
    Conversion conversion;
    testenv::WriteText(registry_, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Quillmark]\r\n\"DebugFile\"=\"" +
                                      (temp_ / (name + ".log")) + "\"\r\n\"DebugRepackager\"=\"4\"\r\n");
    conversion.run = RunFernclip({script, "/vpxonly", "/fakeguids"}, registry_);
    EXPECT_EQ(conversion.run.exitCode, 0) << conversion.run.out;
    conversion.project = temp_ / (name + "/fernrt_app.vpx");
    conversion.log = testenv::ReadText(temp_ / (name + ".log"));
    return conversion;
  }

  testenv::TempDir temp_;
  const std::string registry_ = temp_ / "registry.reg";
  testenv::ScopedEnv cache_{"XDG_CACHE_HOME", temp_ / "cache"};
};

void Append(const std::string& file, const std::string& text) {
  testenv::WriteText(file, testenv::ReadText(file) + text);
}

const std::string kIncluding = "          Including merge module 'fernrt.msm'";
const std::string kSkipped =
    "Merge module 'fernrt.msm' will not be included because there is a shortcut that points to a file owned by the "
    "merge module.";

}  // namespace

TEST_F(MergeModules, ACaptureOfAModulesFilesConvertsIntoAProjectThatNamesTheModule) {
  const Conversion converted = Convert("plain");
  // The module joins the feature that held the runtime's components; the components are gone.
  const std::vector<std::string> features = converted.Column("Feature", 0);
  ASSERT_EQ(features.size(), 1u);
  const std::string module = std::filesystem::canonical(std::string(FERNCLIP_MERGE_MODULES_DIR) + "/fernrt.msm");
  EXPECT_EQ(DumpTable(converted.project, "QvMergeModule"),
            (test_support::Rows{{"fernrt.msm", features[0], module, "1033", "2.5.0.1"}}));
  EXPECT_EQ(converted.Column("File", 2), std::vector<std::string>{"fernapp.txt"});
  EXPECT_EQ(converted.Column("Component", 2).size(), converted.Column("FeatureComponents", 1).size());
  for (const std::string& directory : converted.Column("Component", 2)) EXPECT_NE(directory, "SystemFolder");
  EXPECT_EQ(converted.Count(kIncluding + "\r\n"), 1u) << converted.log;
  EXPECT_NE(converted.run.out.find(kIncluding + "\n"), std::string::npos) << converted.run.out;
  // Announced once, traced for each of its files; the trace names what the catalog was asked.
  EXPECT_EQ(converted.Count("Merge module 'fernrt.msm' included because of file"), 2u);
  EXPECT_EQ(converted.Count("file info: filename=fernrt.dll, language=1033, version=2.5.0.1"), 1u);
  EXPECT_EQ(converted.Count("because of merge module 'fernrt.msm'"), 2u);
}

TEST_F(MergeModules, ExclusionsShortcutsAndUncoveredFilesKeepTheFiles) {
  // An exclusion compares the module name with its letter case: FERNRT.MSM excludes nothing,
  // fernrt.msm excludes the module.
  const Conversion otherCase = Convert("other-case", [&](const std::string&) {
    Append(temp_ / "other-case/options.ini", "[MMExclusions]\r\nModule1=FERNRT.MSM\r\n");
  });
  EXPECT_EQ(otherCase.Column("QvMergeModule", 0), std::vector<std::string>{"fernrt.msm"});
  const Conversion excluded = Convert("excluded", [&](const std::string&) {
    Append(temp_ / "excluded/options.ini", "[MMExclusions]\r\nModule1=fernrt.msm\r\n");
  });
  EXPECT_TRUE(excluded.Column("QvMergeModule", 0).empty());
  EXPECT_EQ(excluded.Column("File", 2), (std::vector<std::string>{"fernapp.txt", "fernrt.dll", "fernrt.txt"}));
  EXPECT_EQ(excluded.Count("Including merge module"), 0u);

  // A shortcut to one of the module's files keeps the module out, reported once although both
  // of its files are met.
  const Conversion linked = Convert("linked", [](const std::string& script) {
    Append(script, "CreateLink('Runtime Notes','[SystemFolder]fernrt.txt','','','Programs\\Fern')\r\n");
  });
  EXPECT_TRUE(linked.Column("QvMergeModule", 0).empty());
  EXPECT_EQ(linked.Column("File", 2), (std::vector<std::string>{"fernapp.txt", "fernrt.dll", "fernrt.txt"}));
  EXPECT_EQ(linked.Count(kSkipped), 1u) << linked.log;
  EXPECT_NE(linked.run.out.find("Warning: " + kSkipped + "\n"), std::string::npos) << linked.run.out;
  // SkipMMIfShortcut=N includes it all the same.
  const Conversion linkedAnyway = Convert("linked-anyway", [&](const std::string& script) {
    Append(script, "CreateLink('Runtime Notes','[SystemFolder]fernrt.txt','','','Programs\\Fern')\r\n");
    SetGeneralOption(temp_ / "linked-anyway/options.ini", "SkipMMIfShortcut", "N");
  });
  EXPECT_EQ(linkedAnyway.Column("QvMergeModule", 0), std::vector<std::string>{"fernrt.msm"});

  // A file of the system folder that no module carries keeps the component it shares with a
  // module's file; the module is included for the other file all the same.
  const Conversion uncovered = Convert("uncovered", [&](const std::string& script) {
    Append(script, "%SCRIPTFOLDER%SystemFolder\\fernnote.txt\r\n");
    testenv::WriteText(temp_ / "uncovered/SystemFolder/fernnote.txt", "not in any module\r\n");
  });
  EXPECT_EQ(uncovered.Column("QvMergeModule", 0), std::vector<std::string>{"fernrt.msm"});
  EXPECT_EQ(uncovered.Column("File", 2), (std::vector<std::string>{"fernapp.txt", "fernnote.txt", "fernrt.txt"}));
  EXPECT_EQ(uncovered.Count(kIncluding + "\r\n"), 1u);
}

TEST_F(MergeModules, WithUseMergeModulesOffNothingIsLookedUp) {
  const Conversion off = Convert("off", [&](const std::string&) {
    SetGeneralOption(temp_ / "off/options.ini", "UseMergeModules", "N");
  });
  EXPECT_TRUE(off.Column("QvMergeModule", 0).empty());
  EXPECT_EQ(off.Column("File", 2), (std::vector<std::string>{"fernapp.txt", "fernrt.dll", "fernrt.txt"}));
  EXPECT_EQ(off.Count("file info:"), 0u);
  EXPECT_EQ(off.Count("Applying merge modules"), 0u);
  EXPECT_FALSE(testenv::Exists(temp_ / "cache/fernclip"));
}

class MergeModuleSearchPath : public test_support::ConversionTest {};

TEST_F(MergeModuleSearchPath, TheCurrentDirectoryThenQvlcIniThenTheOptionsSemicolonsBecomeCommas) {
  testenv::ScopedEnv cache("XDG_CACHE_HOME", InFolder("cache"));
  const std::string before = std::filesystem::current_path().string();
  std::filesystem::current_path(dir_.path());
  OpenProject();
  testenv::WriteText(InFolder("qvlc.ini"), "[IDE]\r\nMMSearchPath=C:\\MM;D:\\MM\r\n");
  mergemodules::MergeModuleSelector(*writer_, dir_.path() + "/").OpenCatalog();
  LoadOptions({{"AddlMMSearchPath", "E:\\More;F:\\Most"}});
  mergemodules::MergeModuleSelector(*writer_, dir_.path() + "/").OpenCatalog();
  testenv::WriteText(InFolder("qvlc.ini"), "[IDE]\r\n");
  mergemodules::MergeModuleSelector(*writer_, dir_.path() + "/").OpenCatalog();
  std::filesystem::current_path(before);
  const std::string log = LogText();
  const std::string cwd = dir_.path();
  EXPECT_NE(log.find("Merge module search path: " + cwd + ",C:\\MM,D:\\MM\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Merge module search path: " + cwd + ",C:\\MM,D:\\MM,E:\\More,F:\\Most\r\n"), std::string::npos);
  EXPECT_NE(log.find("Merge module search path: " + cwd + ",E:\\More,F:\\Most\r\n"), std::string::npos);
}
