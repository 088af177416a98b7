// Custom actions that run a file from the Binary table: the build carries the file in a Binary
// row under a valid, unique key and makes that key the action's source; DLL calls become calls of
// the DLL wrapper, carried the same way. A missing file fails the build of a whole conversion
// (e2e/package_test).
#include <gtest/gtest.h>

#include "binary_actions.h"
#include "support/test_env.h"
#include "wrapper_actions.h"

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
                                                {"Target", ColumnKind::String, 255, true, false, false},
                                                {"ExtendedType", ColumnKind::Int32, 0, true, false, false}});
  db.AddTable("Binary", {{"Name", ColumnKind::String, 72, false, false, true},
                         {"Data", ColumnKind::Binary, 0, false, false, false}});
  return actions;
}

std::string SourceOf(const Database& db, const std::string& action) {
  const Table* actions = db.FindTable("CustomAction");
  qv::engine::RowId id = 0;
  if (!actions->Find({T(action)}, &id)) return "<no row>";
  return std::string(CellText((*actions->Get(id))[2]));
}

std::string BinaryData(const Database& db, const std::string& key) {
  const Table* binary = db.FindTable("Binary");
  qv::engine::RowId id = 0;
  if (!binary->Find({T(key)}, &id)) return "<no row>";
  return std::string(CellText((*binary->Get(id))[1]));
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
  for (auto row : rows) {
    row.resize(actions->Columns().size());
    ASSERT_EQ(actions->Insert(row), qv::kOk);
  }

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

std::vector<std::string> RowOf(const Database& db, const std::string& table, const std::string& key) {
  qv::engine::RowId id = 0;
  if (!db.FindTable(table)->Find({T(key)}, &id)) return {};
  std::vector<std::string> texts;
  for (const Cell& cell : *db.FindTable(table)->Get(id))
    texts.push_back(cell.IsNumber() ? std::to_string(*cell.Number()) : std::string(CellText(cell)));
  return texts;
}

TEST(WrapperActions, DllCallsBecomeCallsOfTheWrapperWithTheCallTextSetJustBefore) {
  testenv::TempDir capture;
  const std::string dll64 = testenv::ReadText(std::string(FERNCLIP_BUILD_DIR) + "/tests/fixtures/pe/call_target.dll");
  testenv::WriteText(capture / "Setup/call target.dll", dll64);
  testenv::WriteText(capture / "Setup/notes.dll", "not a program");
  Database db;
  Table* actions = AddActionTables(db);
  db.AddTable("Property", {{"Property", ColumnKind::String, 72, false, false, true},
                           {"Value", ColumnKind::String, 0, false, true, false}});
  Table* sequence = db.AddTable("InstallExecuteSequence", {{"Action", ColumnKind::String, 72, false, false, true},
                                                           {"Condition", ColumnKind::String, 255, true, false, false},
                                                           {"Sequence", ColumnKind::Int32, 0, true, false, false}});
  const std::string captured = "<SOURCEFILEPATH>\\Setup\\call target.dll";
  for (const auto& row : std::vector<std::vector<Cell>>{
           {T("DLLCA1"), I(0x20000), T(captured), T("INT=[DLLCA1_RETURN] call target::Record(LPSTR p=[DLLCA1_PARAM1])"), Cell{}},
           {T("DLLCA2"), I(0x20000), T(captured), T("VOID call target::Note()"), Cell{}},
           {T("DLLCA3"), I(0x20020), T("SystemFolder"), T("VOID sys::Init()"), Cell{}},
           {T("DLLCA4"), I(0x20000), T(captured), T("VOID call target::Note(FLOAT f=1)"), Cell{}},
           {T("DLLCA5"), I(0x20000), T("<SOURCEFILEPATH>\\Setup\\notes.dll"), T("VOID notes::Go()"), Cell{}}})
    ASSERT_EQ(actions->Insert(row), qv::kOk);
  for (const auto& row : std::vector<std::vector<Cell>>{{T("CostFinalize"), Cell{}, I(1000)},
                                                        {T("DLLCA1"), T("NOT Installed"), I(1001)},
                                                        {T("DLLCA2"), T("NOT Installed"), I(1002)},
                                                        {T("InstallValidate"), Cell{}, I(1400)},
                                                        {T("DLLCA3"), T("NOT Installed"), I(6601)},
                                                        {T("DLLCA4"), Cell{}, I(6602)},
                                                        {T("DLLCA5"), Cell{}, I(6603)}})
    ASSERT_EQ(sequence->Insert(row), qv::kOk);

  CollectedMessages messages;
  builder::CompileWrapperActions(db, {FERNCLIP_BUILD_DIR, capture.path(), false}, messages);
  EXPECT_EQ(messages.ErrorCount(), 0) << ::testing::PrintToString(messages.texts);
  EXPECT_EQ(messages.WarningCount(), 2) << ::testing::PrintToString(messages.texts);

  // The 64-bit DLL of the capture is called through the 64-bit wrapper, a DLL of the system
  // folder through the wrapper of the package's platform; both DLLs carried once.
  EXPECT_EQ(RowOf(db, "CustomAction", "DLLCA1"), (std::vector<std::string>{"DLLCA1", "65", "QvDLLWrapper64", "CallDllFunction", ""}));
  EXPECT_EQ(RowOf(db, "CustomAction", "DLLCA2").at(2), "QvDLLWrapper64");
  EXPECT_EQ(RowOf(db, "CustomAction", "DLLCA3").at(2), "QvDLLWrapper");
  EXPECT_EQ(RowOf(db, "Binary", "call_target.dll").at(1), dll64);
  EXPECT_EQ(builder::PeMachineOf(RowOf(db, "Binary", "QvDLLWrapper64").at(1)), 0x8664);
  EXPECT_EQ(builder::PeMachineOf(RowOf(db, "Binary", "QvDLLWrapper").at(1)), 0x14c);
  EXPECT_EQ(db.FindTable("Binary")->RowCount(), 3u);
  // The call text reaches the wrapper with its property references intact: in a property of
  // its own, which the action before the call names.
  EXPECT_EQ(RowOf(db, "CustomAction", "DLLCA1_Call"),
            (std::vector<std::string>{"DLLCA1_Call", "51", "QvDllWrapperCall", "QvDllCall_DLLCA1", ""}));
  EXPECT_EQ(RowOf(db, "Property", "QvDllCall_DLLCA1").at(1),
            "binary:call_target.dll|INT=[DLLCA1_RETURN] call target::Record(LPSTR p=[DLLCA1_PARAM1])");
  EXPECT_EQ(RowOf(db, "Property", "QvDllCall_DLLCA3").at(1), "[SystemFolder]sys.dll|VOID sys::Init()");
  // Each setter just before its call, with its condition: the run of actions after the anchor
  // moves up by one where no number is free.
  EXPECT_EQ(RowOf(db, "InstallExecuteSequence", "DLLCA1_Call"),
            (std::vector<std::string>{"DLLCA1_Call", "NOT Installed", "1001"}));
  EXPECT_EQ(RowOf(db, "InstallExecuteSequence", "DLLCA1").at(2), "1002");
  EXPECT_EQ(RowOf(db, "InstallExecuteSequence", "DLLCA2_Call").at(2), "1003");
  EXPECT_EQ(RowOf(db, "InstallExecuteSequence", "DLLCA2").at(2), "1004");
  EXPECT_EQ(RowOf(db, "InstallExecuteSequence", "DLLCA3_Call").at(2), "6600");
  EXPECT_EQ(RowOf(db, "InstallExecuteSequence", "DLLCA3").at(2), "6601");
  // A call that cannot be made is left out: an unknown type, a file that is no DLL.
  for (const char* action : {"DLLCA4", "DLLCA5"}) {
    EXPECT_TRUE(RowOf(db, "CustomAction", action).empty()) << action;
    EXPECT_TRUE(RowOf(db, "InstallExecuteSequence", action).empty()) << action;
  }
}

}  // namespace
