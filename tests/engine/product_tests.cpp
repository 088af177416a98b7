// The product object: typed collections as live rows, directories along paths, short names,
// the main folder, properties, configurations and releases.
#include <gtest/gtest.h>

#include <set>

#include "engine_support.h"
#include "qv/project_tables.h"

using namespace engine_test;
using qv::ComPtr;

namespace {

std::string DirectoryRow(qv::IProject* project, const std::string& key) {
  auto values = RowValues(FindTable(project, "Directory").Get(), {T(key)});
  if (values.size() != 3) return "(none)";
  return values[1].text + "|" + values[2].text;
}

}  // namespace

TEST(Product, ComponentsAreLiveRowsAndRenamingFollowsTheirReferences) {
  ScratchDir dir;
  auto project = OpenTemplateCopy(dir);
  auto product = ProductOf(project.Get());
  ComPtr<qv::IComponentCollection> components;
  ASSERT_EQ(product->GetComponents(components.Put()), qv::kOk);
  ASSERT_EQ(components->BeginAdditions(), qv::kOk);
  ComPtr<qv::IComponent> main, other;
  ASSERT_EQ(components->AddNew(main.Put()), qv::kOk);
  ASSERT_EQ(components->AddNew(other.Put()), qv::kOk);
  ASSERT_EQ(components->EndAdditions(), qv::kOk);
  ASSERT_EQ(main->SetName("Main"), qv::kOk);
  ASSERT_EQ(other->SetName("Other"), qv::kOk);
  EXPECT_EQ(other->SetName("Main"), qv::kDuplicateKey);
  EXPECT_EQ(main->SetGuid("{12345678-1234-1234-1234-123456789ABC}"), qv::kOk);
  EXPECT_EQ(main->SetGuid("not a guid"), qv::kBadValue);
  EXPECT_EQ(main->SetDirectory("[ProgramFilesFolder]Fern\\Bin\\"), qv::kOk);
  EXPECT_EQ(main->SetDirectory("NoSuchKey"), qv::kNotFound);
  EXPECT_EQ(main->SetDescription("The main program"), qv::kOk);
  EXPECT_EQ(main->AddFeature("Core"), qv::kOk);
  EXPECT_EQ(main->AddFeature("Core"), qv::kFalse);
  EXPECT_EQ(main->SetAppPath("fern.exe", "[INSTALLDIR]Bin"), qv::kOk);

  ComPtr<qv::IFileCollection> files;
  ASSERT_EQ(main->GetFiles(files.Put()), qv::kOk);
  ComPtr<qv::IFile> exe, dll;
  ASSERT_EQ(files->AddNew(exe.Put()), qv::kOk);
  ASSERT_EQ(exe->SetKey("fern.exe"), qv::kOk);
  EXPECT_EQ(exe->SetFileName("FERN.EXE|fern.exe"), qv::kOk);
  EXPECT_EQ(exe->SetFileName("a:b|c"), qv::kBadValue);
  EXPECT_EQ(exe->SetFileName("TOOLONGNAME.EXE|x"), qv::kBadValue);
  EXPECT_EQ(exe->SetSourcePath("<SOURCEFILEPATH>\\Bin\\fern.exe"), qv::kOk);
  ASSERT_EQ(files->AddNew(dll.Put()), qv::kOk);
  ASSERT_EQ(dll->SetKey("fern.dll"), qv::kOk);
  EXPECT_EQ(dll->SetFileName("fern.dll"), qv::kOk);
  EXPECT_EQ(main->SetKeyPath("fern.exe"), qv::kOk);
  int32_t count = 0;
  files->GetCount(&count);
  EXPECT_EQ(count, 2);
  ComPtr<qv::IFile> first;
  ASSERT_EQ(files->Item(0, first.Put()), qv::kOk);
  std::string key;
  first->GetKey(&key);
  EXPECT_EQ(key, "fern.exe");  // in the order added

  // Rename: File, FeatureComponents and the project tables follow.
  ASSERT_EQ(main->SetName("FernMain"), qv::kOk);
  ASSERT_EQ(exe->SetKey("fern_exe"), qv::kOk);
  std::string path = dir.File("saved.vpx");
  ASSERT_EQ(project->SaveAs(path), qv::kOk);
  auto componentRows = DumpTable(path, "Component");
  ASSERT_EQ(componentRows.size(), 2u);
  EXPECT_EQ(componentRows[0], "FernMain\t{12345678-1234-1234-1234-123456789ABC}\tBin\t0\t\tfern_exe");
  auto fileRows = DumpTable(path, "File");
  ASSERT_EQ(fileRows.size(), 2u);
  EXPECT_EQ(fileRows[0].substr(0, fileRows[0].find('\t', 10)), "fern.dll\tFernMain");
  EXPECT_EQ(DumpTable(path, "FeatureComponents"), std::vector<std::string>{"Core\tFernMain"});
  EXPECT_EQ(DumpTable(path, "QvFileSource"), std::vector<std::string>{"fern_exe\t<SOURCEFILEPATH>\\Bin\\fern.exe"});
  EXPECT_EQ(DumpTable(path, "QvComponentInfo"), std::vector<std::string>{"FernMain\tThe main program\t1"});
  EXPECT_EQ(DumpTable(path, "QvAppPath"), std::vector<std::string>{"FernMain\tfern.exe\t[INSTALLDIR]Bin"});

  // Removing a component takes its files and links with it.
  ASSERT_EQ(components->Remove("FernMain"), qv::kOk);
  ComPtr<qv::IFileCollection> allFiles;
  product->GetFiles(allFiles.Put());
  allFiles->GetCount(&count);
  EXPECT_EQ(count, 0);
  components->GetCount(&count);
  EXPECT_EQ(count, 1);
}

TEST(Product, DirectoryForPathFindsOrCreatesTheFoldersAlongAPath) {
  ScratchDir dir;
  auto project = OpenTemplateCopy(dir);
  auto product = ProductOf(project.Get());
  std::string key;
  ASSERT_EQ(product->DirectoryForPath("[ProgramFilesFolder]Fern Tools\\Shared Data\\", &key), qv::kOk);
  EXPECT_EQ(key, "SharedData");
  EXPECT_EQ(DirectoryRow(project.Get(), "FernTools"), "ProgramFilesFolder|FERNTO~1|Fern Tools");
  EXPECT_EQ(DirectoryRow(project.Get(), "SharedData"), "FernTools|SHARED~1|Shared Data");
  // The same folder in another letter case is the same row.
  std::string again;
  ASSERT_EQ(product->DirectoryForPath("[ProgramFilesFolder]FERN TOOLS\\shared data", &again), qv::kOk);
  EXPECT_EQ(again, "SharedData");
  // Sibling short names stay unique; a valid 8.3 name is kept as it is.
  ASSERT_EQ(product->DirectoryForPath("[ProgramFilesFolder]Fern Toolbox", &key), qv::kOk);
  EXPECT_EQ(DirectoryRow(project.Get(), key), "ProgramFilesFolder|FERNTO~2|Fern Toolbox");
  ASSERT_EQ(product->DirectoryForPath("[SharedData]bin", &key), qv::kOk);
  EXPECT_EQ(key, "bin");
  EXPECT_EQ(DirectoryRow(project.Get(), "bin"), "SharedData|bin");
  // A folder named like an existing key gets a new key of its own.
  ASSERT_EQ(product->DirectoryForPath("[WindowsFolder]bin", &key), qv::kOk);
  EXPECT_EQ(key, "bin1");
  // An absolute path lies below TARGETDIR; a bare key is itself.
  ASSERT_EQ(product->DirectoryForPath("D:\\Apps\\Tool", &key), qv::kOk);
  EXPECT_EQ(key, "Tool");
  EXPECT_EQ(DirectoryRow(project.Get(), "Apps"), "TARGETDIR|Apps");
  ASSERT_EQ(product->DirectoryForPath("INSTALLDIR", &key), qv::kOk);
  EXPECT_EQ(key, "INSTALLDIR");
  ASSERT_EQ(product->DirectoryForPath("[INSTALLDIR]9 Lives", &key), qv::kOk);
  EXPECT_EQ(key, "_9Lives");
  // Many siblings of one stem all get short names of their own.
  std::set<std::string> shortNames;
  for (int i = 0; i < 300; ++i) {
    ASSERT_EQ(product->DirectoryForPath("[CommonFilesFolder]Shared Component " + std::to_string(i), &key), qv::kOk);
    std::string row = DirectoryRow(project.Get(), key);
    shortNames.insert(row.substr(row.find('|') + 1, row.rfind('|') - row.find('|') - 1));
  }
  EXPECT_EQ(shortNames.size(), 300u);
  EXPECT_TRUE(shortNames.count("SHARED~1"));
  EXPECT_TRUE(shortNames.count("SHAR~300"));
  // Refusals.
  EXPECT_EQ(product->DirectoryForPath("[NoSuchFolder]x", &key), qv::kNotFound);
  EXPECT_EQ(product->DirectoryForPath("relative\\path", &key), qv::kInvalidArg);
  EXPECT_EQ(product->DirectoryForPath("[INSTALLDIR]bad|name", &key), qv::kBadValue);
  EXPECT_EQ(product->DirectoryForPath("", &key), qv::kInvalidArg);
}

TEST(Product, DirectoriesReKeyWithTheirReferencesAndTheMainFolderMoves) {
  ScratchDir dir;
  auto project = OpenTemplateCopy(dir);
  auto product = ProductOf(project.Get());
  std::string key;
  ASSERT_EQ(product->DirectoryForPath("[ProgramFilesFolder]Vendor\\App\\Data", &key), qv::kOk);
  ComPtr<qv::IComponentCollection> components;
  product->GetComponents(components.Put());
  ComPtr<qv::IComponent> component;
  components->AddNew(component.Put());
  component->SetName("C");
  component->SetDirectory("App");
  ComPtr<qv::IDirectoryCollection> directories;
  ASSERT_EQ(product->GetDirectories(directories.Put()), qv::kOk);
  ComPtr<qv::IDirectory> app;
  ASSERT_EQ(directories->Find("App", app.Put()), qv::kOk);
  EXPECT_EQ(app->SetKey("Vendor"), qv::kDuplicateKey);
  ASSERT_EQ(app->SetKey("APPFOLDER"), qv::kOk);
  EXPECT_EQ(app->SetFlags(3), qv::kOk);
  EXPECT_EQ(DirectoryRow(project.Get(), "Data"), "APPFOLDER|Data");
  std::string componentDir;
  component->GetDirectory(&componentDir);
  EXPECT_EQ(componentDir, "APPFOLDER");
  // Later look-ups find the re-keyed folder.
  ASSERT_EQ(product->DirectoryForPath("[ProgramFilesFolder]Vendor\\App\\Data", &key), qv::kOk);
  EXPECT_EQ(key, "Data");
  EXPECT_EQ(RowValues(FindTable(project.Get(), qv::kDirectoryInfoTable).Get(), {T("APPFOLDER")}).at(1).integer, 3);

  ASSERT_EQ(product->SetMainFolder("[ProgramFilesFolder]Fern Corp\\Fern App\\"), qv::kOk);
  EXPECT_EQ(DirectoryRow(project.Get(), "INSTALLDIR"), "FernCorp|FERNAP~1|Fern App");
  ASSERT_EQ(product->DirectoryForPath("[ProgramFilesFolder]Fern Corp\\Fern App\\Help", &key), qv::kOk);
  EXPECT_EQ(DirectoryRow(project.Get(), key), "INSTALLDIR|Help");
  ASSERT_EQ(product->SetMainFolder("[CommonFilesFolder]"), qv::kOk);
  EXPECT_EQ(DirectoryRow(project.Get(), "INSTALLDIR"), "CommonFilesFolder|.");
  EXPECT_EQ(product->SetMainFolder("[INSTALLDIR]Inside"), qv::kInvalidArg);
}

TEST(Product, PropertiesIdentityAndReleases) {
  ScratchDir dir;
  std::string path;
  auto project = OpenTemplateCopy(dir, &path);
  project->SetFixedTimestamps(true);
  auto product = ProductOf(project.Get());
  std::string value;
  EXPECT_EQ(product->GetProperty("ProductLanguage", &value), qv::kOk);
  EXPECT_EQ(value, "1033");
  EXPECT_EQ(product->GetProperty("ALLUSERS", &value), qv::kFalse);
  EXPECT_EQ(product->SetProperty("ALLUSERS", "2"), qv::kOk);
  EXPECT_EQ(product->SetProperty("ARPNOREPAIR", ""), qv::kOk);  // removed
  EXPECT_EQ(product->GetProperty("ARPNOREPAIR", &value), qv::kFalse);
  EXPECT_EQ(product->SetName("Fern Tools"), qv::kOk);
  EXPECT_EQ(product->SetVersion("2.1"), qv::kOk);
  EXPECT_EQ(product->SetProductGuid("{AAAAAAAA-0000-0000-0000-000000000003}"), qv::kOk);
  EXPECT_EQ(product->SetProductGuid("{bad}"), qv::kBadValue);
  EXPECT_EQ(product->SetSummaryAuthor("Fern Ltd"), qv::kOk);
  EXPECT_EQ(product->SetLanguage(1031), qv::kOk);
  product->GetName(&value);
  EXPECT_EQ(value, "Fern Tools");

  ComPtr<qv::IProductConfigCollection> configs;
  ASSERT_EQ(product->GetConfigurations(configs.Put()), qv::kOk);
  ComPtr<qv::IProductConfig> config;
  EXPECT_EQ(configs->Find("Product", config.Put()), qv::kFalse);
  ASSERT_EQ(configs->Add("Product", config.Put()), qv::kOk);
  EXPECT_EQ(configs->Find("Product", config.Put()), qv::kOk);
  ComPtr<qv::IReleaseCollection> releases;
  ASSERT_EQ(config->GetReleases(releases.Put()), qv::kOk);
  ComPtr<qv::IRelease> release;
  EXPECT_EQ(releases->Find("Release", release.Put()), qv::kFalse);
  ASSERT_EQ(releases->Add("Release", release.Put()), qv::kOk);
  EXPECT_EQ(releases->Add("Release", release.Put()), qv::kDuplicateKey);
  ASSERT_EQ(releases->Find("Release", release.Put()), qv::kOk);
  EXPECT_EQ(release->SetSetting(qv::kSettingCompressed, I(0)), qv::kOk);
  EXPECT_EQ(release->SetSetting(qv::kSettingPackageName, T("fern")), qv::kOk);
  qv::Variant setting;
  EXPECT_EQ(release->GetSetting(qv::kSettingCompressed, &setting), qv::kOk);
  EXPECT_EQ(setting.kind, qv::Variant::Kind::Integer);
  EXPECT_EQ(setting.integer, 0);
  EXPECT_EQ(release->GetSetting("Unknown", &setting), qv::kFalse);

  ASSERT_EQ(project->SaveAs(path), qv::kOk);
  auto rows = DumpTable(path, qv::kReleaseTable);
  EXPECT_EQ(rows, (std::vector<std::string>{"Product\tRelease\tBuildLocation\t<QvProjectFolder>", "Product\tRelease\tCompressed\t0",
                                            "Product\tRelease\tPackageName\tfern", "Product\tRelease\tSetupExe\t0"}));
  std::string summary = RunCommand("msiinfo suminfo '" + path + "'");
  EXPECT_NE(summary.find("Author: Fern Ltd"), std::string::npos) << summary;
  EXPECT_NE(summary.find("Subject: Fern Tools"), std::string::npos);
  EXPECT_NE(summary.find("Template: Intel;1031"), std::string::npos);
  auto info = DumpTable(path, qv::kProjectInfoTable);
  EXPECT_NE(std::find(info.begin(), info.end(), "ProductGuid\t{AAAAAAAA-0000-0000-0000-000000000003}"), info.end());
  EXPECT_NE(std::find(info.begin(), info.end(), std::string("FormatVersion\t") + qv::kProjectFormatVersion), info.end());
}

TEST(Product, RegistryEntriesAreLiveRows) {
  ScratchDir dir;
  std::string path;
  auto project = OpenTemplateCopy(dir, &path);
  auto product = ProductOf(project.Get());
  ComPtr<qv::IRegistryCollection> entries;
  ASSERT_EQ(product->GetRegistryEntries(entries.Put()), qv::kOk);
  for (int i = 0; i < 3; ++i) {
    ComPtr<qv::IRegistryEntry> entry;
    ASSERT_EQ(entries->AddNew(entry.Put()), qv::kOk);
    ASSERT_EQ(entry->SetKey("Registry_" + std::to_string(i)), qv::kOk);
    EXPECT_EQ(entry->SetRoot(i), qv::kOk);
    EXPECT_EQ(entry->SetRoot(9), qv::kBadValue);
    EXPECT_EQ(entry->SetKeyPath("Software\\Fern"), qv::kOk);
    EXPECT_EQ(entry->SetName(i == 0 ? "" : "Value"), qv::kOk);
    EXPECT_EQ(entry->SetValue("#" + std::to_string(i)), qv::kOk);
    EXPECT_EQ(entry->SetComponent("Reg"), qv::kOk);
    if (i == 2) {
      EXPECT_EQ(entry->SetKey("Registry_0"), qv::kDuplicateKey);
    }
  }
  int32_t count = 0;
  entries->GetCount(&count);
  EXPECT_EQ(count, 3);
  ASSERT_EQ(project->SaveAs(path), qv::kOk);
  auto rows = DumpTable(path, "Registry");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], "Registry_0\t0\tSoftware\\Fern\t\t#0\tReg");
  EXPECT_EQ(rows[2], "Registry_2\t2\tSoftware\\Fern\tValue\t#2\tReg");
}
