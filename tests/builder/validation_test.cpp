// The installer's validation rules: a clean package passes every rule, and for each rule a copy
// of it with rows edited to break that rule is reported under that rule (and no other); the
// command-line tool on packages that fernclip, wixl and these tests made.
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>

#include "column_rules.h"
#include "msi_file.h"
#include "sample_project.h"
#include "validation.h"
#include "support/msi_dump.h"
#include "support/test_env.h"
#include "validator.h"

namespace {

using qv::engine::Cell;
using qv::engine::Database;
using qv::engine::Row;
using qv::engine::Table;
using validation::Level;

// A value of a row: text, or a number for an integer column.
struct Value {
  Value(const char* text) : cell(qv::engine::TextCell(text)) {}
  Value(int32_t number) : cell(number) {}
  Value(std::nullptr_t) {}
  Cell cell;
};
using Fields = std::vector<std::pair<std::string, Value>>;

// The table as the reference schema defines it, made when the package lacks it.
Table* TableOf(Database& db, const std::string& name) {
  if (Table* table = db.FindTable(name)) return table;
  const Table* reference = validation::ReferenceSchema().FindTable(name);
  if (!reference) ADD_FAILURE() << "no table " << name << " in the reference schema";
  return reference ? db.AddTable(name, reference->Columns()) : nullptr;
}

// Adds a row; columns not named are null.
void Add(Database& db, const std::string& tableName, const Fields& fields) {
  Table* table = TableOf(db, tableName);
  ASSERT_TRUE(table);
  Row row(table->Columns().size());
  for (const auto& [column, value] : fields) {
    const int index = table->ColumnIndex(column);
    ASSERT_GE(index, 0) << tableName << "." << column;
    row[size_t(index)] = value.cell;
  }
  ASSERT_EQ(table->Insert(row), qv::kOk) << tableName;
}

// Sets one cell of the row with a single-column key.
void Set(Database& db, const std::string& tableName, Value key, const std::string& column, Value value) {
  Table* table = db.FindTable(tableName);
  ASSERT_TRUE(table) << tableName;
  qv::engine::RowId id = 0;
  ASSERT_TRUE(table->Find({key.cell}, &id)) << tableName;
  ASSERT_EQ(table->SetCell(id, size_t(table->ColumnIndex(column)), value.cell), qv::kOk) << tableName << "." << column;
}

void Erase(Database& db, const std::string& tableName, const qv::engine::Key& key) {
  Table* table = db.FindTable(tableName);
  qv::engine::RowId id = 0;
  ASSERT_TRUE(table && table->Find(key, &id)) << tableName;
  table->Erase(id);
}

// A small package that keeps every rule: a program in INSTALLDIR, a per-user folder below
// AppDataFolder and a start-menu folder each with an HKCU key path and their removal, an
// advertised shortcut, registry values, and the standard execution sequence.
void FillCleanPackage(Database& db) {
  db.AddTable("_Validation", qv::engine::ValidationColumns());
  const Table& referenceRules = *validation::ReferenceSchema().FindTable("_Validation");
  for (const auto& [key, id] : referenceRules.KeyOrder()) db.FindTable("_Validation")->Insert(*referenceRules.Get(id));

  Add(db, "Property", {{"Property", "ProductCode"}, {"Value", "{11111111-2222-3333-4444-555555555555}"}});
  Add(db, "Property", {{"Property", "ProductVersion"}, {"Value", "1.2.3"}});
  Add(db, "Property", {{"Property", "ProductLanguage"}, {"Value", "1033"}});
  Add(db, "Property", {{"Property", "ProductName"}, {"Value", "Clean"}});
  Add(db, "Property", {{"Property", "Manufacturer"}, {"Value", "Fern"}});
  for (const char* folder : {"ProgramFilesFolder", "SystemFolder", "AppDataFolder", "ProgramMenuFolder", "System64Folder"})
    Add(db, "Directory", {{"Directory", folder}, {"Directory_Parent", "TARGETDIR"}, {"DefaultDir", "."}});
  Add(db, "Directory", {{"Directory", "TARGETDIR"}, {"DefaultDir", "SourceDir"}});
  Add(db, "Directory", {{"Directory", "INSTALLDIR"}, {"Directory_Parent", "ProgramFilesFolder"}, {"DefaultDir", "App"}});
  Add(db, "Directory", {{"Directory", "AppDataDir"}, {"Directory_Parent", "AppDataFolder"}, {"DefaultDir", "App"}});
  Add(db, "Directory", {{"Directory", "MenuDir"}, {"Directory_Parent", "ProgramMenuFolder"}, {"DefaultDir", "App"}});

  Add(db, "Component", {{"Component", "Main"}, {"ComponentId", "{0000000A-0000-0000-0000-000000000001}"},
                        {"Directory_", "INSTALLDIR"}, {"Attributes", 0}, {"Condition", "VersionNT >= 500"},
                        {"KeyPath", "app.exe"}});
  Add(db, "Component", {{"Component", "Settings"}, {"ComponentId", "{0000000A-0000-0000-0000-000000000002}"},
                        {"Directory_", "AppDataDir"}, {"Attributes", 4}, {"KeyPath", "reg_settings"}});
  Add(db, "Component", {{"Component", "Menu"}, {"ComponentId", "{0000000A-0000-0000-0000-000000000003}"},
                        {"Directory_", "MenuDir"}, {"Attributes", 4}, {"KeyPath", "reg_menu"}});
  Add(db, "Feature", {{"Feature", "Complete"}, {"Title", "Complete"}, {"Display", 1}, {"Level", 1}, {"Attributes", 0}});
  for (const char* component : {"Main", "Settings", "Menu"})
    Add(db, "FeatureComponents", {{"Feature_", "Complete"}, {"Component_", component}});
  Add(db, "File", {{"File", "app.exe"}, {"Component_", "Main"}, {"FileName", "app.exe"}, {"FileSize", 10},
                   {"Version", "1.0.0.0"}, {"Language", "1033"}, {"Sequence", 1}});
  Add(db, "Media", {{"DiskId", 1}, {"LastSequence", 1}, {"Cabinet", "#Data1.cab"}});
  Add(db, "Registry", {{"Registry", "reg_main"}, {"Root", 2}, {"Key", "Software\\Fern\\Clean"}, {"Name", "Path"},
                       {"Value", "[INSTALLDIR]"}, {"Component_", "Main"}});
  Add(db, "Registry", {{"Registry", "reg_settings"}, {"Root", 1}, {"Key", "Software\\Fern\\Clean"},
                       {"Name", "Settings"}, {"Value", "1"}, {"Component_", "Settings"}});
  Add(db, "Registry", {{"Registry", "reg_menu"}, {"Root", 1}, {"Key", "Software\\Fern\\Clean"}, {"Name", "Menu"},
                       {"Value", "1"}, {"Component_", "Menu"}});
  Add(db, "CreateFolder", {{"Directory_", "AppDataDir"}, {"Component_", "Settings"}});
  Add(db, "CreateFolder", {{"Directory_", "MenuDir"}, {"Component_", "Menu"}});
  Add(db, "RemoveFile", {{"FileKey", "rm_appdata"}, {"Component_", "Settings"}, {"DirProperty", "AppDataDir"},
                         {"InstallMode", 2}});
  Add(db, "RemoveFile", {{"FileKey", "rm_menu"}, {"Component_", "Menu"}, {"DirProperty", "MenuDir"}, {"InstallMode", 2}});
  Add(db, "Shortcut", {{"Shortcut", "AppShortcut"}, {"Directory_", "MenuDir"}, {"Name", "App"}, {"Component_", "Main"},
                       {"Target", "Complete"}});
  const std::pair<const char*, int32_t> sequence[] = {
      {"FindRelatedProducts", 25}, {"AppSearch", 50},         {"LaunchConditions", 100},   {"CostInitialize", 800},
      {"FileCost", 900},           {"CostFinalize", 1000},    {"InstallValidate", 1400},   {"InstallInitialize", 1500},
      {"ProcessComponents", 1600}, {"RemoveRegistryValues", 2600}, {"RemoveShortcuts", 3200}, {"RemoveFiles", 3500},
      {"RemoveFolders", 3600},     {"CreateFolders", 3700},   {"InstallFiles", 4000},      {"CreateShortcuts", 4500},
      {"WriteRegistryValues", 5000}, {"RegisterUser", 6000},  {"RegisterProduct", 6100},   {"PublishFeatures", 6300},
      {"PublishProduct", 6400},    {"InstallFinalize", 6600}};
  for (const auto& [action, number] : sequence)
    Add(db, "InstallExecuteSequence", {{"Action", action}, {"Sequence", number}});
  db.Summary()[qv::engine::kSummaryTemplate] = std::string("Intel;1033");
  db.Summary()[qv::engine::kSummaryPageCount] = int32_t{200};
}

std::set<std::string> RulesFound(const validation::Findings& findings) {
  std::set<std::string> rules;
  for (const auto& finding : findings) rules.insert(finding.rule + (finding.level == Level::Error ? "" : " warning"));
  return rules;
}

std::string Describe(const validation::Findings& findings) {
  std::string text;
  for (const auto& finding : findings) text += validation::FormatFinding("clean.msi", finding) + "\n";
  return text;
}

// The clean package, written as a real package and read back for every case.
class Validation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new testenv::TempDir;
    Database db;
    FillCleanPackage(db);
    ASSERT_EQ(qv::engine::SaveDatabase(db, CleanPath(), {}), qv::kOk);
  }
  static void TearDownTestSuite() { delete folder_; }
  static std::string CleanPath() { return *folder_ / "clean.msi"; }
  static std::unique_ptr<Database> LoadClean() {
    std::unique_ptr<Database> db;
    EXPECT_EQ(qv::engine::LoadDatabase(CleanPath(), &db), qv::kOk);
    return db;
  }
  static testenv::TempDir* folder_;
};
testenv::TempDir* Validation::folder_ = nullptr;

TEST_F(Validation, TheCleanPackagePassesEveryRule) {
  auto db = LoadClean();
  ASSERT_TRUE(db);
  const auto findings = validation::ValidatePackage(*db);
  EXPECT_TRUE(findings.empty()) << Describe(findings);
}

struct BrokenCase {
  const char* name;
  std::function<void(Database&)> edit;
  std::set<std::string> expected;  // rules found: "ICE03", or "ICE09 warning"
  const char* text = "";           // a part of the first finding's text
};

TEST_F(Validation, EachRuleFindsThePackageThatBreaksIt) {
  const BrokenCase cases[] = {
      {"key path of another component",
       [](Database& db) { Set(db, "Component", "Settings", "KeyPath", "reg_menu"); },
       {"ICE02"}, "belongs to component 'Menu'"},
      {"dangling reference", [](Database& db) { Set(db, "Component", "Main", "Directory_", "Nowhere"); },
       {"ICE03"}, "'Nowhere' refers to no row of table 'Directory'"},
      {"dangling reference without _Validation",
       [](Database& db) {
         db.DropTable("_Validation");
         Set(db, "Registry", "reg_main", "Component_", "Nobody");
       },
       {"ICE03"}, "refers to no row of table 'Component'"},
      {"null where required", [](Database& db) { Set(db, "Feature", "Complete", "Level", Value(nullptr)); },
       {"ICE03"}, "a value is required"},
      {"out of range", [](Database& db) { Set(db, "Registry", "reg_main", "Root", 7); }, {"ICE03"}, "outside -1..3"},
      {"not in the set", [](Database& db) { Set(db, "RemoveFile", "rm_menu", "InstallMode", 0); }, {"ICE03"}},
      {"lower-case GUID",
       [](Database& db) { Set(db, "Component", "Menu", "ComponentId", "{0000000a-0000-0000-0000-000000000003}"); },
       {"ICE03"}, "is not in upper case"},
      {"bad file name", [](Database& db) { Set(db, "File", "app.exe", "FileName", "app|a:b.exe"); }, {"ICE03"}},
      {"bad version", [](Database& db) { Set(db, "File", "app.exe", "Version", "1.x"); }, {"ICE03"}, "not a version"},
      {"bad language", [](Database& db) { Set(db, "File", "app.exe", "Language", "en"); }, {"ICE03"}},
      {"bad condition", [](Database& db) { Set(db, "Component", "Main", "Condition", "VersionNT >= (500"); },
       {"ICE03"}, "invalid condition"},
      {"bad formatted text", [](Database& db) { Set(db, "Registry", "reg_main", "Value", "[INSTALLDIR"); },
       {"ICE03"}, "invalid formatted text"},
      {"bad registry path", [](Database& db) { Set(db, "Registry", "reg_main", "Key", "\\Software\\Fern"); }, {"ICE03"}},
      {"bad identifier", [](Database& db) { Set(db, "Registry", "reg_main", "Component_", "9 lives"); }, {"ICE03"}},
      {"bad shortcut target", [](Database& db) { Set(db, "Shortcut", "AppShortcut", "Target", "not a feature"); },
       {"ICE03", "ICE19"}},
      {"column missing",
       [](Database& db) { db.AddTable("Font", {{"File_", qv::engine::ColumnKind::String, 72, false, false, true}}); },
       {"ICE06"}, "'FontTitle'"},
      {"duplicate component GUID",
       [](Database& db) { Set(db, "Component", "Menu", "ComponentId", "{0000000A-0000-0000-0000-000000000001}"); },
       {"ICE08"}},
      {"system folder not permanent", [](Database& db) { Set(db, "Component", "Main", "Directory_", "SystemFolder"); },
       {"ICE09 warning"}},
      {"missing bitmap",
       [](Database& db) {
         Add(db, "Property", {{"Property", "LIMITUI"}, {"Value", "1"}});
         Add(db, "Dialog", {{"Dialog", "Welcome"}, {"HCentering", 50}, {"VCentering", 50}, {"Width", 370}, {"Height", 270},
                            {"Attributes", 3}, {"Control_First", "Logo"}});
         Add(db, "Control", {{"Dialog_", "Welcome"}, {"Control", "Logo"}, {"Type", "Bitmap"}, {"X", 0}, {"Y", 0},
                             {"Width", 370}, {"Height", 234}, {"Attributes", 1}, {"Text", "NoSuchPicture"}});
       },
       {"ICE17"}, "'NoSuchPicture'"},
      {"empty folder as key path without CreateFolder",
       [](Database& db) {
         Add(db, "Component", {{"Component", "Empty"}, {"ComponentId", "{0000000A-0000-0000-0000-000000000004}"},
                               {"Directory_", "INSTALLDIR"}, {"Attributes", 0}});
         Add(db, "FeatureComponents", {{"Feature_", "Complete"}, {"Component_", "Empty"}});
       },
       {"ICE18"}, "'INSTALLDIR'"},
      {"advertised shortcut of a registry key path",
       [](Database& db) { Set(db, "Shortcut", "AppShortcut", "Component_", "Settings"); }, {"ICE19"}},
      {"dialogs without the standard ones",
       [](Database& db) {
         Add(db, "Dialog", {{"Dialog", "Welcome"}, {"HCentering", 50}, {"VCentering", 50}, {"Width", 370}, {"Height", 270},
                            {"Attributes", 3}, {"Control_First", "Title"}});
         Add(db, "Control", {{"Dialog_", "Welcome"}, {"Control", "Title"}, {"Type", "Text"}, {"X", 10}, {"Y", 10},
                             {"Width", 300}, {"Height", 20}, {"Attributes", 3}, {"Text", "Welcome"}});
         Add(db, "InstallUISequence", {{"Action", "Welcome"}, {"Sequence", 1000}});
       },
       {"ICE20"}},
      {"component in no feature",
       [](Database& db) { Erase(db, "FeatureComponents", {qv::engine::TextCell("Complete"), qv::engine::TextCell("Menu")}); },
       {"ICE21"}},
      {"lower-case product code",
       [](Database& db) { Set(db, "Property", "ProductCode", "Value", "{11111111-2222-3333-4444-55555555555a}"); },
       {"ICE24"}},
      {"product version out of range", [](Database& db) { Set(db, "Property", "ProductVersion", "Value", "256.1.1"); },
       {"ICE24"}},
      {"unknown action", [](Database& db) { Add(db, "InstallExecuteSequence", {{"Action", "DoMagic"}, {"Sequence", 1450}}); },
       {"ICE27"}, "Unknown action 'DoMagic'"},
      {"actions out of order", [](Database& db) { Set(db, "InstallExecuteSequence", "InstallFiles", "Sequence", 3550); },
       {"ICE27"}, "'InstallFiles'"},
      {"script action before InstallValidate",
       [](Database& db) { Set(db, "InstallExecuteSequence", "WriteRegistryValues", "Sequence", 1100); },
       {"ICE27"}, "Execution section"},
      {"two components install one file",
       [](Database& db) {
         Add(db, "Component", {{"Component", "Other"}, {"ComponentId", "{0000000A-0000-0000-0000-000000000004}"},
                               {"Directory_", "INSTALLDIR"}, {"Attributes", 0}, {"KeyPath", "app2"}});
         Add(db, "FeatureComponents", {{"Feature_", "Complete"}, {"Component_", "Other"}});
         Add(db, "File", {{"File", "app2"}, {"Component_", "Other"}, {"FileName", "APP~1.EXE|App.exe"}, {"FileSize", 10},
                          {"Sequence", 2}});
         Set(db, "Media", 1, "LastSequence", 2);
       },
       {"ICE30"}},
      {"foreign key of another size",
       [](Database& db) {
         // Media's DiskPrompt (64 characters) described as a reference to Feature's key (38).
         Table* rules = db.FindTable("_Validation");
         qv::engine::RowId id = 0;
         ASSERT_TRUE(rules->Find({qv::engine::TextCell("Media"), qv::engine::TextCell("DiskPrompt")}, &id));
         ASSERT_EQ(rules->SetCell(id, size_t(rules->ColumnIndex("KeyTable")), qv::engine::TextCell("Feature")), qv::kOk);
         ASSERT_EQ(rules->SetCell(id, size_t(rules->ColumnIndex("KeyColumn")), Cell{int32_t{1}}), qv::kOk);
       },
       {"ICE32"}, "'Media.DiskPrompt'"},
      {"class data in the Registry table",
       [](Database& db) {
         Add(db, "Registry", {{"Registry", "reg_clsid"}, {"Root", 0},
                              {"Key", "CLSID\\{12345678-1234-1234-1234-123456789012}\\InprocServer32"},
                              {"Value", "[INSTALLDIR]app.exe"}, {"Component_", "Main"}});
       },
       {"ICE33 warning"}, "belongs in the Class table"},
      {"what the Class table cannot hold, beside the class's row there (no finding)",
       [](Database& db) {
         Add(db, "Class", {{"CLSID", "{12345678-1234-1234-1234-123456789012}"}, {"Context", "InprocServer32"},
                           {"Component_", "Main"}, {"Feature_", "Complete"}});
         Add(db, "Registry", {{"Registry", "reg_threading"}, {"Root", 0},
                              {"Key", "CLSID\\{12345678-1234-1234-1234-123456789012}\\InprocServer32"},
                              {"Name", "ThreadingModel"}, {"Value", "Both"}, {"Component_", "Main"}});
       },
       {}},
      {"profile component with a file key path", [](Database& db) { Set(db, "Component", "Main", "Directory_", "AppDataDir"); },
       {"ICE38", "ICE57", "ICE91 warning"}},
      {"non-advertised shortcut in the profile without HKCU key path",
       [](Database& db) { Set(db, "Shortcut", "AppShortcut", "Target", "[#app.exe]"); },
       {"ICE43", "ICE57"}},
      {"property spelled in another case", [](Database& db) { Set(db, "Component", "Main", "Condition", "Versionnt >= 500"); },
       {"ICE46 warning"}, "'VersionNT'"},
      {"per-user and per-machine data in one component",
       [](Database& db) { Set(db, "Registry", "reg_main", "Root", 1); }, {"ICE57"}, "per-machine key path"},
      {"profile folder not removed", [](Database& db) { Erase(db, "RemoveFile", {qv::engine::TextCell("rm_menu")}); },
       {"ICE64"}, "'MenuDir'"},
      {"shortcut to a file of another component",
       [](Database& db) {
         Set(db, "Shortcut", "AppShortcut", "Target", "[#app.exe]");
         Set(db, "Shortcut", "AppShortcut", "Component_", "Menu");
       },
       {"ICE67 warning"}},
      {"reference to another component's file",
       [](Database& db) { Set(db, "Registry", "reg_settings", "Value", "[#app.exe]"); }, {"ICE69 warning"}},
      {"custom action in the advertising sequence",
       [](Database& db) {
         Add(db, "CustomAction", {{"Action", "RunIt"}, {"Type", 34}, {"Source", "INSTALLDIR"}, {"Target", "app.exe"}});
         Add(db, "AdvtExecuteSequence", {{"Action", "RunIt"}, {"Sequence", 100}});
       },
       {"ICE72"}},
      {"64-bit component in a 32-bit package", [](Database& db) { Set(db, "Component", "Main", "Attributes", 256); },
       {"ICE80"}},
      {"32-bit component below a 64-bit folder",
       [](Database& db) { Set(db, "Directory", "INSTALLDIR", "Directory_Parent", "System64Folder"); }, {"ICE80"}},
      {"duplicate sequence numbers",
       [](Database& db) { Set(db, "InstallExecuteSequence", "CreateShortcuts", "Sequence", 4000); },
       {"ICE82 warning"}},
      {"some registration actions missing",
       [](Database& db) { Erase(db, "InstallExecuteSequence", {qv::engine::TextCell("RegisterUser")}); }, {"ICE82"}},
      {"file in a per-user-only folder",
       [](Database& db) {
         Add(db, "File", {{"File", "settings.ini"}, {"Component_", "Settings"}, {"FileName", "settings.ini"},
                          {"FileSize", 5}, {"Sequence", 2}});
         Set(db, "Media", 1, "LastSequence", 2);
       },
       {"ICE91 warning"}},
      {"directory named like an installer property",
       [](Database& db) { Add(db, "Directory", {{"Directory", "Time"}, {"Directory_Parent", "INSTALLDIR"}, {"DefaultDir", "Time"}}); },
       {"ICE99"}, "'Time'"},
  };
  for (const BrokenCase& broken : cases) {
    SCOPED_TRACE(broken.name);
    auto db = LoadClean();
    ASSERT_TRUE(db);
    broken.edit(*db);
    const auto findings = validation::ValidatePackage(*db);
    EXPECT_EQ(RulesFound(findings), broken.expected) << Describe(findings);
    if (*broken.text) {
      EXPECT_NE(Describe(findings).find(broken.text), std::string::npos) << Describe(findings);
    }
  }
}

// fernclip-validate as a user runs it: on the clean package, on a broken one, on a package that
// the builder made from a project and on one that wixl made; text and JSON output, exit codes.
TEST_F(Validation, TheCommandLineToolReportsLikeACompilerWithExitCodes) {
  testenv::TempDir temp;
  const std::string tool = test_support::ShellQuote(std::string(FERNCLIP_BUILD_DIR) + "/fernclip-validate");
  auto run = [&](const std::string& arguments, std::string* output) {
    return test_support::RunCommand(tool + " " + arguments, output);
  };
  std::string out;

  EXPECT_EQ(run(test_support::ShellQuote(CleanPath()), &out), 0) << out;
  EXPECT_EQ(out, CleanPath() + ": 0 errors, 0 warnings\n");

  auto broken = LoadClean();
  Set(*broken, "Registry", "reg_main", "Component_", "Nobody");
  const std::string brokenPath = temp / "broken.msi";
  ASSERT_EQ(qv::engine::SaveDatabase(*broken, brokenPath, {}), qv::kOk);
  EXPECT_EQ(run(test_support::ShellQuote(brokenPath), &out), 1) << out;
  EXPECT_EQ(out, brokenPath + ": error ICE03: Table 'Registry', row 'reg_main', column 'Component_': 'Nobody' refers to "
                              "no row of table 'Component'.\n" + brokenPath + ": 1 errors, 0 warnings\n");
  EXPECT_EQ(run("--json " + test_support::ShellQuote(brokenPath), &out), 1) << out;
  EXPECT_EQ(out, "{\"packages\": [{\"path\": \"" + brokenPath + "\", \"readable\": true, \"errors\": 1, \"warnings\": 0, "
                 "\"findings\": [{\"rule\": \"ICE03\", \"level\": \"error\", \"table\": \"Registry\", \"row\": \"reg_main\", "
                 "\"text\": \"Table 'Registry', row 'reg_main', column 'Component_': 'Nobody' refers to no row of table "
                 "'Component'.\"}]}]}\n");

  // Files that are no package, and a wrong command line.
  testenv::WriteText(temp / "notes.msi", "not a database");
  EXPECT_EQ(run(test_support::ShellQuote(temp / "notes.msi") + " " + test_support::ShellQuote(CleanPath()), &out), 3) << out;
  EXPECT_NE(out.find(temp / "notes.msi: cannot read: not a readable MSI-format database"), std::string::npos) << out;
  EXPECT_NE(out.find(CleanPath() + ": 0 errors, 0 warnings"), std::string::npos) << out;
  EXPECT_EQ(run(test_support::ShellQuote(temp / "missing.msi") + " " + test_support::ShellQuote(brokenPath), &out), 3) << out;
  EXPECT_EQ(run("", &out), 2) << out;
  EXPECT_EQ(run("--bogus " + test_support::ShellQuote(CleanPath()), &out), 2) << out;

  // Packages made by the builder and by wixl are read and checked: every line is a finding or
  // the summary, and the exit code follows the errors.
  buildertest::EngineProject project(temp / "Sample.vpx");
  buildertest::FillSampleProject(project, temp / "cap");
  project.SetRelease(/*compressed=*/true, /*setupExe=*/false, /*fixed=*/true, "Sample", "{AAAAAAAA-0000-0000-0000-000000000042}");
  project.Save();
  const auto built = project.Build();
  ASSERT_EQ(built.result, qv::kOk) << ::testing::PrintToString(built.messages);
  const std::string wixlPackage = test_support::BuildWixlPackage(temp.path());
  ASSERT_FALSE(wixlPackage.empty());
  for (const std::string& package : {built.packagePath, wixlPackage}) {
    const int exitCode = run(test_support::ShellQuote(package), &out);
    const std::regex line(std::regex_replace(package, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                          R"(: ((error|warning) ICE\d\d: .+|(\d+) errors, \d+ warnings))");
    const auto lines = test_support::SplitLines(out);
    ASSERT_FALSE(lines.empty()) << package;
    for (const std::string& text : lines) EXPECT_TRUE(std::regex_match(text, line)) << text;
    const bool hasErrors = !lines.back().starts_with(package + ": 0 errors");
    EXPECT_EQ(exitCode, hasErrors ? 1 : 0) << out;
  }
}

// A build checks its package: a summary record and a record for each error; by default the
// errors do not fail the build (build_package_test.cpp shows the release that asks for it).
TEST_F(Validation, TheBuildReportsWhatTheRulesFindWithoutFailingByDefault) {
  testenv::TempDir temp;
  buildertest::EngineProject project(temp / "Sample.vpx");
  buildertest::FillSampleProject(project, temp / "cap");
  // A folder named like a property the installer sets itself breaks ICE99.
  project.AddRow("Directory", {qv::Variant::Text("Time"), qv::Variant::Text("INSTALLDIR"), qv::Variant::Text("Time")});
  project.SetRelease(/*compressed=*/true, /*setupExe=*/false, /*fixed=*/true, "Sample", "{AAAAAAAA-0000-0000-0000-000000000042}");
  project.Save();
  const auto outcome = project.Build();
  const std::string messages = ::testing::PrintToString(outcome.messages);
  EXPECT_EQ(outcome.result, qv::kOk) << messages;
  EXPECT_EQ(outcome.errors, 0) << messages;
  int summaries = 0;
  for (const std::string& message : outcome.messages)
    summaries += std::regex_match(message, std::regex(R"(Validation: [1-9]\d* errors, \d+ warnings)"));
  EXPECT_EQ(summaries, 1) << messages;
  EXPECT_NE(std::find(outcome.messages.begin(), outcome.messages.end(),
                      "Sample.msi: error ICE99: The directory name 'Time' is a property the installer reserves for itself."),
            outcome.messages.end()) << messages;
  EXPECT_TRUE(std::filesystem::exists(temp / "Sample.msi")) << messages;
}

}  // namespace
