// The project object through the interfaces the program uses: open, tables, rows, fields,
// views, save; the saved file read back with msitools.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine_support.h"
#include "qv/project_tables.h"

using namespace engine_test;
using qv::ComPtr;

TEST(Project, RowsWrittenThroughTheInterfacesAreInTheSavedFile) {
  ScratchDir dir;
  std::string path;
  auto project = OpenTemplateCopy(dir, &path);
  ASSERT_TRUE(project);
  auto registry = FindTable(project.Get(), "Registry");
  ASSERT_TRUE(registry);
  EXPECT_EQ(AddRow(registry.Get(), {T("Registry_0"), I(2), T("Software\\Fern"), T("Name"), T("caf\xC3\xA9"), T("Reg")}), qv::kOk);
  EXPECT_EQ(AddRow(registry.Get(), {T("Registry_1"), I(1), T("Software\\Fern"), qv::Variant::Null(), I(7), T("Reg")}), qv::kOk);
  // Unknown tables are not found, and the filter must have its form.
  EXPECT_FALSE(FindTable(project.Get(), "NoSuchTable"));
  ComPtr<qv::IDatabase> database;
  ASSERT_EQ(project->QueryInterface(qv::IID_IDatabase, database.PutVoid()), qv::kOk);
  ComPtr<qv::ITableCollection> tables;
  ASSERT_EQ(database->GetTables(tables.Put()), qv::kOk);
  ComPtr<qv::ITable> table;
  EXPECT_EQ(tables->Find("Registry", table.Put()), qv::kInvalidArg);

  ASSERT_EQ(project->SaveAs(path), qv::kOk);
  std::string tablesList = RunCommand("msiinfo tables '" + path + "'");
  EXPECT_NE(tablesList.find("Registry"), std::string::npos);
  EXPECT_NE(tablesList.find("QvProjectInfo"), std::string::npos);
  auto rows = DumpTable(path, "Registry");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], "Registry_0\t2\tSoftware\\Fern\tName\tcaf\xC3\xA9\tReg");
  EXPECT_EQ(rows[1], "Registry_1\t1\tSoftware\\Fern\t\t7\tReg");            // the number became text

  // The database declares its code page.
  EXPECT_NE(RunCommand("msiinfo export '" + path + "' _ForceCodepage").find("1252\t_ForceCodepage"), std::string::npos);

  // The file opens again with the same content.
  auto reopened = Create<qv::IProject>("QvEntity.DLL", qv::CLSID_Project, qv::IID_IProject);
  ASSERT_EQ(reopened->Open(path), qv::kOk);
  auto values = RowValues(FindTable(reopened.Get(), "Registry").Get(), {T("Registry_0")});
  ASSERT_EQ(values.size(), 6u);
  EXPECT_EQ(values[4].text, "caf\xC3\xA9");
  EXPECT_EQ(values[1].integer, 2);
}

TEST(Project, FieldsAreCheckedAndDuplicateKeysRefused) {
  ScratchDir dir;
  auto project = OpenTemplateCopy(dir);
  auto features = FindTable(project.Get(), "Feature");
  ASSERT_TRUE(features);
  ComPtr<qv::IRow> row;
  ASSERT_EQ(features->AddRow(row.Put()), qv::kOk);
  ComPtr<qv::IFieldCollection> fields;
  ASSERT_EQ(row->GetFields(fields.Put()), qv::kOk);
  int32_t count = 0;
  fields->GetCount(&count);
  EXPECT_EQ(count, 8);
  ComPtr<qv::IField> field;
  EXPECT_EQ(fields->Item(0, field.Put()), qv::kNotFound);
  EXPECT_EQ(fields->Item(9, field.Put()), qv::kNotFound);
  ASSERT_EQ(fields->Item(1, field.Put()), qv::kOk);
  std::string name;
  field->GetName(&name);
  EXPECT_EQ(name, "Feature");
  EXPECT_EQ(field->SetValue(T(std::string(39, 'F'))), qv::kBadValue);  // s38
  EXPECT_EQ(field->SetValue(qv::Variant::Err(qv::kOutOfMemory)), qv::kOutOfMemory);
  ASSERT_EQ(fields->Item(6, field.Put()), qv::kOk);                    // Level i2
  EXPECT_EQ(field->SetValue(T("one")), qv::kBadValue);
  EXPECT_EQ(field->SetValue(I(40000)), qv::kBadValue);
  // Required columns left empty: the row is refused.
  EXPECT_EQ(row->Commit(0), qv::kBadValue);

  EXPECT_EQ(AddRow(features.Get(), {T("Main"), T(""), T("Main"), T(""), I(2), I(1), T("INSTALLDIR"), I(0)}), qv::kOk);
  EXPECT_EQ(AddRow(features.Get(), {T("Main"), T(""), T("Other"), T(""), I(4), I(1), T("INSTALLDIR"), I(0)}), qv::kDuplicateKey);
  int32_t rows = 0;
  features->GetRowCount(&rows);
  EXPECT_EQ(rows, 1);
  auto values = RowValues(features.Get(), {T("Main")});
  ASSERT_EQ(values.size(), 8u);
  EXPECT_EQ(values[2].text, "Main");  // the first row stays

  // A row read back and changed is written back; a key change to a taken key is refused.
  EXPECT_EQ(AddRow(features.Get(), {T("Second"), T(""), T("Second"), T(""), I(4), I(1), T("INSTALLDIR"), I(0)}), qv::kOk);
  ComPtr<qv::IRow> second;
  ASSERT_EQ(features->FindRow({T("Second")}, second.Put()), qv::kOk);
  ComPtr<qv::IFieldCollection> secondFields;
  second->GetFields(secondFields.Put());
  ComPtr<qv::IField> key;
  secondFields->Item(1, key.Put());
  key->SetValue(T("Main"));
  EXPECT_EQ(second->Commit(0), qv::kDuplicateKey);
  key->SetValue(T("Renamed"));
  EXPECT_EQ(second->Commit(0), qv::kOk);
  EXPECT_EQ(features->FindRow({T("Second")}, second.Put()), qv::kFalse);
  ASSERT_EQ(features->FindRow({T("Renamed")}, second.Put()), qv::kOk);
  EXPECT_EQ(second->Delete(), qv::kOk);
  features->GetRowCount(&rows);
  EXPECT_EQ(rows, 1);
}

TEST(Project, ViewsWalkRowsInKeyOrderWithTheirConditions) {
  ScratchDir dir;
  auto project = OpenTemplateCopy(dir);
  auto directories = FindTable(project.Get(), "Directory");
  ASSERT_TRUE(directories);
  auto walk = [&](const std::string& query) {
    std::vector<std::string> keys;
    ComPtr<qv::IView> view;
    EXPECT_EQ(directories->OpenView(query, view.Put()), qv::kOk) << query;
    if (!view) return keys;
    ComPtr<qv::IRow> row;
    while (view->Next(row.Put()) == qv::kOk) {
      ComPtr<qv::IFieldCollection> fields;
      row->GetFields(fields.Put());
      ComPtr<qv::IField> field;
      fields->Item(1, field.Put());
      qv::Variant value;
      field->GetValue(&value);
      keys.push_back(value.text);
    }
    EXPECT_FALSE(row);
    return keys;
  };
  auto all = walk("SELECT * FROM Directory");
  EXPECT_EQ(all.size(), 29u);  // TARGETDIR, INSTALLDIR and 27 standard folders
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
  EXPECT_NE(std::find(all.begin(), all.end(), "WindowsFolder"), all.end());
  EXPECT_EQ(walk("SELECT * FROM `Directory` WHERE `Directory_Parent` = 'ProgramFilesFolder'"), std::vector<std::string>{"INSTALLDIR"});
  EXPECT_EQ(walk("select * from Directory where `Directory_Parent` = 'TARGETDIR' AND `DefaultDir` = 'nothing'").size(), 0u);

  ComPtr<qv::IView> view;
  // A value that cannot be in the column matches nothing.
  auto sequence = FindTable(project.Get(), "InstallExecuteSequence");
  ASSERT_EQ(sequence->OpenView("SELECT * FROM InstallExecuteSequence WHERE `Sequence` = 'late'", view.Put()), qv::kOk);
  ComPtr<qv::IRow> none;
  EXPECT_EQ(view->Next(none.Put()), qv::kFalse);
  ASSERT_EQ(sequence->OpenView("SELECT * FROM InstallExecuteSequence WHERE `Sequence` = 1000", view.Put()), qv::kOk);
  ASSERT_EQ(view->Next(none.Put()), qv::kOk);
  EXPECT_EQ(RowValues(sequence.Get(), {T("CostFinalize")}).at(2).integer, 1000);
  EXPECT_EQ(directories->OpenView("DELETE FROM Directory", view.Put()), qv::kInvalidArg);
  EXPECT_EQ(directories->OpenView("SELECT * FROM Directory WHERE `NoColumn` = 1", view.Put()), qv::kNotFound);
  EXPECT_EQ(directories->OpenView("SELECT * FROM File", view.Put()), qv::kNotFound);
}

TEST(Project, FixedTimestampsGiveIdenticalFiles) {
  ScratchDir dir;
  auto save = [&](const std::string& name, bool fixed) {
    auto project = OpenTemplateCopy(dir);
    project->SetFixedTimestamps(fixed);
    AddRow(FindTable(project.Get(), "Property").Get(), {T("Extra"), T("1")});
    EXPECT_EQ(project->SaveAs(dir.File(name)), qv::kOk);
    return ReadFile(dir.File(name));
  };
  std::string first = save("a.vpx", true);
  std::string second = save("b.vpx", true);
  ASSERT_FALSE(first.empty());
  EXPECT_TRUE(first == second);
  EXPECT_NE(RunCommand("msiinfo suminfo '" + dir.File("a.vpx") + "'").find("2000"), std::string::npos);
}

TEST(Project, OpensOnlyProjectFilesAndSavesOnlyWhatTheCodePageHolds) {
  ScratchDir dir;
  auto project = Create<qv::IProject>("QvEntity.DLL", qv::CLSID_Project, qv::IID_IProject);
  WriteFile(dir.File("text.vpx"), "not a database\n");
  EXPECT_EQ(project->Open(dir.File("text.vpx")), qv::kBadFormat);
  EXPECT_EQ(project->Open(dir.File("missing.vpx")), qv::kFileNotFound);
  EXPECT_EQ(project->SaveAs(dir.File("x.vpx")), qv::kNotOpen);

  std::string path;
  project = OpenTemplateCopy(dir, &path);
  std::string before = ReadFile(path);
  auto properties = FindTable(project.Get(), "Property");
  ASSERT_EQ(AddRow(properties.Get(), {T("Chinese"), T("\xE4\xB8\xAD")}), qv::kOk);
  EXPECT_EQ(project->SaveAs(path), qv::kBadValue);
  EXPECT_EQ(ReadFile(path), before);  // the project file is untouched
  // With a code page that holds the text, it saves and reads back.
  EXPECT_EQ(project->SetCodePage(936), qv::kOk);
  ASSERT_EQ(project->SaveAs(path), qv::kOk);
  auto reopened = Create<qv::IProject>("QvEntity.DLL", qv::CLSID_Project, qv::IID_IProject);
  ASSERT_EQ(reopened->Open(path), qv::kOk);
  EXPECT_EQ(RowValues(FindTable(reopened.Get(), "Property").Get(), {T("Chinese")})[1].text, "\xE4\xB8\xAD");
  // Back to 1252 is refused while the text is there.
  EXPECT_EQ(reopened->SetCodePage(1252), qv::kBadValue);
}
