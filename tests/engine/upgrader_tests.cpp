// The upgrader's version states and the upgrade of a plain package to a project.
#include <gtest/gtest.h>

#include "engine_support.h"
#include "msi_file.h"
#include "project_schema.h"
#include "qv/project_tables.h"
#include "qv/upgrader.h"

using namespace engine_test;
using qv::ComPtr;

namespace {

// A plain package as another tool writes it.
std::string BuildPlainPackage(const ScratchDir& dir) {
  WriteFile(dir.File("app.txt"), "payload\n");
  WriteFile(dir.File("plain.wxs"), R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Plain" Language="1033" Version="1.0.0" Manufacturer="Someone"
           UpgradeCode="{11111111-2222-3333-4444-555555555555}">
    <Package InstallerVersion="200" Compressed="yes" />
    <Media Id="1" Cabinet="plain.cab" EmbedCab="yes" />
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="APPDIR" Name="Plain">
          <Component Id="Main" Guid="{66666666-7777-8888-9999-000000000000}">
            <File Id="app.txt" Source="app.txt" KeyPath="yes" />
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Complete" Level="1"><ComponentRef Id="Main" /></Feature>
  </Product>
</Wix>
)");
  int status = -1;
  RunCommand("cd '" + dir.Path() + "' && wixl -o plain.msi plain.wxs", &status);
  EXPECT_EQ(status, 0) << "wixl could not build the plain package";
  return dir.File("plain.msi");
}

class Events : public qv::IUpgradeEvents {
 public:
  qv::HResult QueryInterface(const qv::Guid&, void**) override { return qv::kNoInterface; }
  uint32_t AddRef() override { return 2; }
  uint32_t Release() override { return 1; }
  qv::HResult OnMessage(const std::string& text) override {
    messages.push_back(text);
    return qv::kOk;
  }
  std::vector<std::string> messages;
};

}  // namespace

TEST(Upgrader, ReportsTheThreeVersionStates) {
  ScratchDir dir;
  auto upgrader = Create<qv::IUpgrader>("QvUpgrd.dll", qv::CLSID_Upgrader, qv::IID_IUpgrader);
  int32_t state = -1;
  ASSERT_EQ(upgrader->GetVersionState(BlankTemplate(), &state), qv::kOk);
  EXPECT_EQ(state, qv::kVersionCurrent);
  ASSERT_EQ(upgrader->GetVersionState(BuildPlainPackage(dir), &state), qv::kOk);
  EXPECT_EQ(state, qv::kVersionNeedsUpgrade);
  WriteFile(dir.File("notes.txt"), "just text\n");
  ASSERT_EQ(upgrader->GetVersionState(dir.File("notes.txt"), &state), qv::kOk);
  EXPECT_EQ(state, qv::kVersionNotDatabase);
  EXPECT_EQ(upgrader->GetVersionState(dir.File("missing.vpx"), &state), qv::kFileNotFound);
}

TEST(Upgrader, UpgradesAPlainPackageInPlaceToAProjectThatOpens) {
  ScratchDir dir;
  std::string plain = BuildPlainPackage(dir);
  auto upgrader = Create<qv::IUpgrader>("QvUpgrd.dll", qv::CLSID_Upgrader, qv::IID_IUpgrader);
  Events events;
  std::string output;
  ASSERT_EQ(upgrader->GetOutputFileName(plain, &output), qv::kOk);
  EXPECT_NE(output, plain);
  ASSERT_EQ(upgrader->SetOption(1, true), qv::kOk);
  ASSERT_EQ(upgrader->Advise(&events), qv::kOk);
  ASSERT_EQ(upgrader->Upgrade(plain), qv::kOk);
  upgrader->Unadvise();
  int32_t result = -1;
  upgrader->GetResult(&result);
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(events.messages.empty());
  EXPECT_EQ(ReadFile(output), "");  // the intermediate file is gone
  EXPECT_FALSE(ReadFile(plain + ".bak").empty());

  int32_t state = -1;
  upgrader->GetVersionState(plain, &state);
  EXPECT_EQ(state, qv::kVersionCurrent);
  std::string tables = RunCommand("msiinfo tables '" + plain + "'");
  for (const char* table : {"QvProjectInfo", "QvRelease", "QvFileSource", "Registry", "Shortcut", "_Validation"})
    EXPECT_NE(tables.find(table), std::string::npos) << table;

  // The package's own rows are kept; the folders the conversion relies on are there.
  auto project = Create<qv::IProject>("QvEntity.DLL", qv::CLSID_Project, qv::IID_IProject);
  ASSERT_EQ(project->Open(plain), qv::kOk);
  auto product = ProductOf(project.Get());
  std::string name;
  product->GetName(&name);
  EXPECT_EQ(name, "Plain");
  auto directories = FindTable(project.Get(), "Directory");
  EXPECT_EQ(RowValues(directories.Get(), {T("APPDIR")}).size(), 3u);
  EXPECT_EQ(RowValues(directories.Get(), {T("INSTALLDIR")}).size(), 3u);
  EXPECT_EQ(RowValues(directories.Get(), {T("WindowsFolder")}).size(), 3u);
  std::string key;
  EXPECT_EQ(product->DirectoryForPath("[WindowsFolder]Fonts", &key), qv::kOk);
}

TEST(Upgrader, RefusesWhatItCannotUpgradeAndLeavesItAlone) {
  ScratchDir dir;
  auto upgrader = Create<qv::IUpgrader>("QvUpgrd.dll", qv::CLSID_Upgrader, qv::IID_IUpgrader);
  WriteFile(dir.File("notes.txt"), "just text\n");
  EXPECT_TRUE(qv::Failed(upgrader->Upgrade(dir.File("notes.txt"))));
  int32_t result = 0;
  upgrader->GetResult(&result);
  EXPECT_NE(result, 0);
  EXPECT_EQ(ReadFile(dir.File("notes.txt")), "just text\n");

  // A project of a newer format: state 3, not upgraded.
  std::string path;
  {
    auto project = OpenTemplateCopy(dir, &path);
    auto info = FindTable(project.Get(), qv::kProjectInfoTable);
    ComPtr<qv::IRow> row;
    ASSERT_EQ(info->FindRow({T(qv::kFormatVersionName)}, row.Put()), qv::kOk);
    ComPtr<qv::IFieldCollection> fields;
    row->GetFields(fields.Put());
    ComPtr<qv::IField> value;
    fields->Item(2, value.Put());
    value->SetValue(T("99"));
    ASSERT_EQ(row->Commit(0), qv::kOk);
    ASSERT_EQ(project->SaveAs(path), qv::kOk);
  }
  int32_t state = -1;
  upgrader->GetVersionState(path, &state);
  EXPECT_EQ(state, qv::kVersionNewer);
  std::string before = ReadFile(path);
  EXPECT_TRUE(qv::Failed(upgrader->Upgrade(path)));
  EXPECT_EQ(ReadFile(path), before);
  auto project = Create<qv::IProject>("QvEntity.DLL", qv::CLSID_Project, qv::IID_IProject);
  EXPECT_EQ(project->Open(path), qv::kBadFormat);
}

TEST(Upgrader, BringsAFormatOneProjectToTheCurrentMergeModuleTable) {
  ScratchDir dir;
  std::string path = dir.File("old.vpx");
  {
    std::unique_ptr<qv::engine::Database> db;
    ASSERT_EQ(qv::engine::LoadDatabase(BlankTemplate(), &db), qv::kOk);
    db->DropTable(qv::kMergeModuleTable);
    db->AddTable(qv::kMergeModuleTable, {Col("Name", "s255", true), Col("Path", "S0"), Col("Language", "S0"), Col("Version", "S0")});
    ASSERT_EQ(qv::engine::SetProjectInfo(*db, qv::kFormatVersionName, "1"), qv::kOk);
    ASSERT_EQ(qv::engine::SaveDatabase(*db, path, {}), qv::kOk);
  }
  auto project = Create<qv::IProject>("QvEntity.DLL", qv::CLSID_Project, qv::IID_IProject);
  EXPECT_EQ(project->Open(path), qv::kBadFormat);
  auto upgrader = Create<qv::IUpgrader>("QvUpgrd.dll", qv::CLSID_Upgrader, qv::IID_IUpgrader);
  int32_t state = -1;
  upgrader->GetVersionState(path, &state);
  EXPECT_EQ(state, qv::kVersionNeedsUpgrade);
  ASSERT_EQ(upgrader->Upgrade(path), qv::kOk);
  upgrader->GetVersionState(path, &state);
  EXPECT_EQ(state, qv::kVersionCurrent);
  ASSERT_EQ(project->Open(path), qv::kOk);
  auto table = FindTable(project.Get(), qv::kMergeModuleTable);
  ASSERT_TRUE(table);
  int32_t columns = 0;
  table->GetColumnCount(&columns);
  EXPECT_EQ(columns, 5);
  EXPECT_EQ(AddRow(table.Get(), {T("fernrt.msm"), T("Complete"), T("/mm/fernrt.msm"), T("1033"), T("2.5.0.1")}), qv::kOk);
}
