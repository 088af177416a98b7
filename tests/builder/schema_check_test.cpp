// Rows against _Validation: every kind of break is found and named by table, key and column.
#include <gtest/gtest.h>

#include "schema_check.h"

namespace {

using builder::ColumnDefinition;
using builder::PackageTable;
using qv::Variant;

Variant T(const char* text) { return Variant::Text(text); }
Variant I(int32_t v) { return Variant::Int(v); }
Variant N() { return Variant::Null(); }

PackageTable Validation(std::vector<std::vector<Variant>> rows) {
  PackageTable v{"_Validation",
                 {{"Table", true, 32, false, true}, {"Column", true, 32, false, true}, {"Nullable", true, 4, false, false},
                  {"MinValue", false, 4, true, false}, {"MaxValue", false, 4, true, false},
                  {"KeyTable", true, 255, true, false}, {"KeyColumn", false, 2, true, false}},
                 std::move(rows)};
  return v;
}

TEST(SchemaCheck, ReportsNullsLengthsRangesAndDanglingKeys) {
  PackageTable component{"Component",
                         {{"Component", true, 72, false, true}, {"Directory_", true, 72, false, false},
                          {"Attributes", false, 2, false, false}, {"KeyPath", true, 72, true, false}},
                         {{T("Good"), T("INSTALLDIR"), I(0), T("f1")},
                          {T("NoDir"), N(), I(0), N()},
                          {T("BadDir"), T("Nowhere"), I(0), N()},
                          {T("BadAttr"), T("INSTALLDIR"), I(99999), N()}}};
  PackageTable directory{"Directory",
                         {{"Directory", true, 72, false, true}, {"Directory_Parent", true, 72, true, false},
                          {"DefaultDir", true, 9, false, false}},
                         {{T("INSTALLDIR"), T("TARGETDIR"), T("App")},
                          {T("TARGETDIR"), N(), T("SourceDir")},
                          {T("Long"), T("TARGETDIR"), T("ÄÄÄÄÄÄÄÄÄ")},  // 9 characters, 18 bytes: fits
                          {T("TooLong"), T("TARGETDIR"), T("1234567890")}}};
  PackageTable registry{"Registry",
                        {{"Registry", true, 72, false, true}, {"Component_", true, 72, false, false}},
                        {{T("r1"), T("Good")}, {T("r2"), T("Missing")}}};
  PackageTable unchecked{"Unvalidated", {{"Key", true, 2, false, true}}, {{T("way too long")}}};
  auto validation = Validation({
      {T("Component"), T("Component"), T("N"), N(), N(), N(), N()},
      {T("Component"), T("Directory_"), T("N"), N(), N(), T("Directory"), I(1)},
      {T("Component"), T("Attributes"), T("N"), I(0), I(32767), N(), N()},
      {T("Component"), T("KeyPath"), T("Y"), N(), N(), T("File;Registry;ODBCDataSource"), I(1)},
      {T("Directory"), T("Directory_Parent"), T("Y"), N(), N(), T("Directory"), I(1)},
      {T("Directory"), T("DefaultDir"), T("N"), N(), N(), N(), N()},
      {T("Registry"), T("Component_"), T("N"), N(), N(), T("Component"), I(1)},
  });
  const auto problems = builder::CheckAgainstValidation({component, directory, registry, unchecked, validation});

  const std::vector<std::string> expected = {
      "Table 'Component', row 'Good', column 'KeyPath': 'f1' refers to no row of table 'File' or 'Registry' or "
      "'ODBCDataSource'.",
      "Table 'Component', row 'NoDir', column 'Directory_': a value is required.",
      "Table 'Component', row 'BadDir', column 'Directory_': 'Nowhere' refers to no row of table 'Directory'.",
      "Table 'Component', row 'BadAttr', column 'Attributes': the value 99999 is outside 0..32767.",
      "Table 'Directory', row 'TooLong', column 'DefaultDir': the value is longer than 9 characters.",
      "Table 'Registry', row 'r2', column 'Component_': 'Missing' refers to no row of table 'Component'.",
  };
  EXPECT_EQ(problems, expected);
}

TEST(SchemaCheck, WithoutValidationTableNothingIsChecked) {
  PackageTable t{"Property", {{"Property", true, 2, false, true}}, {{N()}, {T("toolong")}}};
  EXPECT_TRUE(builder::CheckAgainstValidation({t}).empty());
}

}  // namespace
