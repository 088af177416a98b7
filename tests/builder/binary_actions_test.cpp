// Custom actions that run a file from the Binary table: the build carries the file in a Binary
// row under a valid, unique key and makes that key the action's source. A missing file fails the
// build of a whole conversion (e2e/package_test).
#include <gtest/gtest.h>

#include "binary_actions.h"
#include "support/test_env.h"

namespace {

using qv::engine::Cell;
using qv::engine::CellText;
using qv::engine::ColumnDef;
using qv::engine::ColumnKind;
using qv::engine::Database;
using qv::engine::Table;

class CollectedMessages final : public builder::BuildMessages {
 public:
  std::vector<std::string> texts;

 private:
  void Send(int32_t, const std::string& text) override { texts.push_back(text); }
};

Cell T(const std::string& text) { return qv::engine::TextCell(text); }
Cell I(int32_t value) { return Cell{value}; }

Table* AddActionTables(Database& db) {
  Table* actions = db.AddTable("CustomAction", {{"Action", ColumnKind::String, 72, false, false, true},
                                                {"Type", ColumnKind::Int32, 0, false, false, false},
                                                {"Source", ColumnKind::String, 72, true, false, false},
                                                {"Target", ColumnKind::String, 255, true, false, false}});
  db.AddTable("Binary", {{"Name", ColumnKind::String, 72, false, false, true},
                         {"Data", ColumnKind::Binary, 0, false, false, false}});
  return actions;
}

std::string SourceOf(const Database& db, const std::string& action) {
  const Table* actions = db.FindTable("CustomAction");
  qv::engine::RowId id = 0;
  if (!actions->Find({T(action)}, &id)) return "<no row>";
  return CellText((*actions->Get(id))[2]);
}

std::string BinaryData(const Database& db, const std::string& key) {
  const Table* binary = db.FindTable("Binary");
  qv::engine::RowId id = 0;
  if (!binary->Find({T(key)}, &id)) return "<no row>";
  return CellText((*binary->Get(id))[1]);
}

TEST(BinaryActions, FilesOfProgramAndDllActionsBecomeBinaryRowsUnderUniqueKeys) {
  testenv::TempDir capture;
  testenv::WriteText(capture / "Setup/Post Install.exe", std::string("MZ program\0bytes", 16));
  testenv::WriteText(capture / "bin/9helper.dll", "MZ library");
  Database db;
  Table* actions = AddActionTables(db);
  ASSERT_EQ(db.FindTable("Binary")->Insert({T("Post_Install.exe"), Cell{std::string("taken")}}), qv::kOk);
  ASSERT_EQ(db.FindTable("Binary")->Insert({T("KnownDll"), Cell{std::string("known")}}), qv::kOk);
  const std::vector<std::vector<Cell>> rows = {
      {T("EXECA1"), I(2), T("<SOURCEFILEPATH>\\Setup\\Post Install.exe"), T("/quiet")},
      // Deferred and not checked: the same file, so the same Binary row.
      {T("EXECA2"), I(2 + 64 + 1024), T("<SOURCEFILEPATH>\\setup\\post install.EXE"), T("")},
      {T("DllFromFile"), I(1), T("<SOURCEFILEPATH>\\bin\\9helper.dll"), T("Entry")},
      {T("DllInBinary"), I(1), T("KnownDll"), T("Entry")},
      {T("ExeInFolder"), I(34), T("SystemFolder"), T("notepad.exe")},
      {T("SetProperty"), I(51), T("ALLUSERSPROFILE"), T("[%ALLUSERSPROFILE]")},
  };
  for (const auto& row : rows) ASSERT_EQ(actions->Insert(row), qv::kOk);

  CollectedMessages messages;
  builder::CompileBinaryActions(db, capture.path(), messages);
  EXPECT_EQ(messages.ErrorCount(), 0) << ::testing::PrintToString(messages.texts);

  EXPECT_EQ(SourceOf(db, "EXECA1"), "Post_Install.exe1");
  EXPECT_EQ(SourceOf(db, "EXECA2"), "Post_Install.exe1");
  EXPECT_EQ(BinaryData(db, "Post_Install.exe1"), std::string("MZ program\0bytes", 16));
  EXPECT_EQ(BinaryData(db, "Post_Install.exe"), "taken");
  EXPECT_EQ(SourceOf(db, "DllFromFile"), "_9helper.dll");
  EXPECT_EQ(BinaryData(db, "_9helper.dll"), "MZ library");
  EXPECT_EQ(SourceOf(db, "DllInBinary"), "KnownDll");
  EXPECT_EQ(SourceOf(db, "ExeInFolder"), "SystemFolder");
  EXPECT_EQ(SourceOf(db, "SetProperty"), "ALLUSERSPROFILE");
  EXPECT_EQ(db.FindTable("Binary")->RowCount(), 4u);
}

TEST(BinaryActions, KeysAreIdentifiersThatFitTheirStreamName) {
  EXPECT_EQ(builder::BinaryKeyBase("setup.exe"), "setup.exe");
  EXPECT_EQ(builder::BinaryKeyBase("my tool-1.exe"), "my_tool_1.exe");
  EXPECT_EQ(builder::BinaryKeyBase(".hidden"), "_.hidden");
  EXPECT_EQ(builder::BinaryKeyBase(""), "_");
  EXPECT_LE(builder::BinaryKeyBase(std::string(200, 'a')).size(), 46u);
}

}  // namespace
