// Rows against _Validation: every kind of break is found and named by table, key and column.
#include <gtest/gtest.h>

#include "schema_check.h"

namespace {

using qv::engine::Cell;
using qv::engine::ColumnDef;
using qv::engine::ColumnKind;
using qv::engine::Database;

ColumnDef Text(const char* name, int length, bool nullable, bool key = false) {
  return {name, ColumnKind::String, length, nullable, false, key};
}
ColumnDef Int(const char* name, bool nullable) { return {name, ColumnKind::Int16, 0, nullable, false, false}; }
Cell T(const char* text) { return qv::engine::TextCell(text); }
Cell I(int32_t v) { return Cell{v}; }
Cell N() { return Cell{}; }

void AddTable(Database& db, const char* name, std::vector<ColumnDef> columns, std::vector<std::vector<Cell>> rows) {
  auto* table = db.AddTable(name, std::move(columns));
  ASSERT_NE(table, nullptr) << name;
  for (auto& row : rows) ASSERT_EQ(table->Insert(row), qv::kOk) << name;
}

void AddValidation(Database& db, std::vector<std::vector<Cell>> rows) {
  AddTable(db, "_Validation",
           {Text("Table", 32, false, true), Text("Column", 32, false, true), Text("Nullable", 4, false),
            {"MinValue", ColumnKind::Int32, 0, true, false, false}, {"MaxValue", ColumnKind::Int32, 0, true, false, false},
            Text("KeyTable", 255, true), Int("KeyColumn", true)},
           std::move(rows));
}

TEST(SchemaCheck, ReportsNullsLengthsRangesAndDanglingKeys) {
  Database db;
  AddTable(db, "Component",
           {Text("Component", 72, false, true), Text("Directory_", 72, true), Int("Attributes", false),
            Text("KeyPath", 72, true)},
           {{T("Good"), T("INSTALLDIR"), I(0), T("f1")},
            {T("NoDir"), N(), I(0), N()},
            {T("BadDir"), T("Nowhere"), I(0), N()},
            {T("BadAttr"), T("INSTALLDIR"), I(99999), N()},
            {T("NoAttr"), T("INSTALLDIR"), N(), N()}});
  AddTable(db, "Directory", {Text("Directory", 72, false, true), Text("Directory_Parent", 72, true), Text("DefaultDir", 9, false)},
           {{T("INSTALLDIR"), T("TARGETDIR"), T("App")},
            {T("TARGETDIR"), N(), T("SourceDir")},
            {T("Long"), T("TARGETDIR"), T("ÄÄÄÄÄÄÄÄÄ")},  // 9 characters, 18 bytes: fits
            {T("TooLong"), T("TARGETDIR"), T("1234567890")}});
  AddTable(db, "Registry", {Text("Registry", 72, false, true), Text("Component_", 72, true)},
           {{T("r1"), T("Good")}, {T("r2"), T("Missing")}});
  AddValidation(db, {
                        {T("Component"), T("Directory_"), T("N"), N(), N(), T("Directory"), I(1)},
                        {T("Component"), T("Attributes"), T("N"), I(0), I(32767), N(), N()},
                        {T("Component"), T("KeyPath"), T("Y"), N(), N(), T("File;Registry;ODBCDataSource"), I(1)},
                        {T("Directory"), T("Directory_Parent"), T("Y"), N(), N(), T("Directory"), I(1)},
                        {T("Registry"), T("Component_"), T("N"), N(), N(), T("Component"), I(1)},
                    });
  const std::vector<std::string> expected = {
      "Table 'Component', row 'BadAttr', column 'Attributes': the value 99999 is outside 0..32767.",
      "Table 'Component', row 'BadDir', column 'Directory_': 'Nowhere' refers to no row of table 'Directory'.",
      "Table 'Component', row 'Good', column 'KeyPath': 'f1' refers to no row of table 'File' or 'Registry' or "
      "'ODBCDataSource'.",
      "Table 'Component', row 'NoAttr', column 'Attributes': a value is required.",
      "Table 'Component', row 'NoDir', column 'Directory_': a value is required.",
      "Table 'Directory', row 'TooLong', column 'DefaultDir': the value is longer than 9 characters.",
      "Table 'Registry', row 'r2', column 'Component_': 'Missing' refers to no row of table 'Component'.",
  };
  EXPECT_EQ(builder::CheckAgainstValidation(db), expected);
}

TEST(SchemaCheck, WithoutValidationRowsOnlyColumnDefinitionsAreChecked) {
  Database db;
  AddTable(db, "Property", {Text("Property", 4, false, true), Text("Value", 0, false)},
           {{T("Ok"), T("x")}, {T("TooLong"), T("x")}, {T("Null"), N()}});
  EXPECT_EQ(builder::CheckAgainstValidation(db),
            (std::vector<std::string>{"Table 'Property', row 'Null', column 'Value': a value is required.",
                                      "Table 'Property', row 'TooLong', column 'Property': the value is longer than 4 characters."}));
}

}  // namespace
