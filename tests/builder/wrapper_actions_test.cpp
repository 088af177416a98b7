// DLL calls through the DLL wrapper: the call text that the wrapper reads (the parser is the
// wrapper's own, built for the host too), and the build that turns the project's DLL actions
// into calls of the wrapper's entry point. That the calls run is checked by installing a package
// (install/calls_install_test).
#include <gtest/gtest.h>

#include "call_text.h"
#include "support/test_env.h"
#include "wrapper_actions.h"

namespace {

using dllcall::ValueKind;
using qv::engine::Cell;
using qv::engine::CellText;
using qv::engine::ColumnDef;
using qv::engine::ColumnKind;
using qv::engine::Database;
using qv::engine::Table;

TEST(DllCallText, CallsAreReadWithTheirTypedArguments) {
  dllcall::Call call;
  std::string error;
  ASSERT_TRUE(dllcall::ParseCall(
      " int=[DLLCA1_RETURN] my util::Run(LPSTR s=a, b) c, DWORD n=0x10,BOOL  flag = [DLLCA1_PARAM3], LPDWORD p=) ",
      &call, &error))
      << error;
  EXPECT_EQ(call.returnKind, ValueKind::kSigned);
  EXPECT_EQ(call.returnProperty, "DLLCA1_RETURN");
  EXPECT_EQ(call.module, "my util");
  EXPECT_EQ(call.function, "Run");
  ASSERT_EQ(call.arguments.size(), 4u);
  // A literal may hold commas and parentheses: an argument ends only where ", TYPE name=" begins.
  EXPECT_EQ(call.arguments[0].value, "a, b) c");
  EXPECT_EQ(call.arguments[0].kind, ValueKind::kAnsiString);
  EXPECT_EQ(call.arguments[1].kind, ValueKind::kUnsigned);
  EXPECT_EQ(call.arguments[2].name + "=" + call.arguments[2].value, "flag=[DLLCA1_PARAM3]");
  EXPECT_EQ(call.arguments[3].kind, ValueKind::kIntegerPointer);
  EXPECT_EQ(call.arguments[3].value, "");

  // The result property also without '='; VOID calls have none, and no arguments.
  ASSERT_TRUE(dllcall::ParseCall("UINT [R] m::f(WSTRING w=x)", &call, &error)) << error;
  EXPECT_EQ(call.returnProperty, "R");
  EXPECT_EQ(call.arguments.at(0).kind, ValueKind::kWideString);
  ASSERT_TRUE(dllcall::ParseCall("VOID sys::Init()", &call, &error)) << error;
  EXPECT_TRUE(call.arguments.empty());
  EXPECT_TRUE(call.returnProperty.empty());

  std::string seventeen = "VOID m::f(";
  for (int i = 0; i < 17; ++i) seventeen += (i ? ", INT a" : "INT a") + std::to_string(i) + "=1";
  for (const std::string& bad :
       {std::string(), std::string("VOID"), std::string("FLOAT=[R] m::f()"), std::string("INT m::f()"),
        std::string("INT=[R m::f()"), std::string("VOID m::f(INT a=1"), std::string("VOID m::f(INT a)"),
        std::string("VOID m::f(DOUBLE a=1)"), std::string("VOID ::f()"), std::string("VOID m::(INT a=1)"),
        std::string("VOID m::f g()"), std::string("VOID m::f(VOID a=1)"), seventeen + ")"})
    EXPECT_FALSE(dllcall::ParseCall(bad, &call, &error)) << bad;
}

TEST(DllCallText, ValuesAndResultsAsNumbers) {
  int64_t value = 0;
  EXPECT_TRUE(dllcall::ParseInteger(ValueKind::kSigned, " -21 ", &value) && value == -21);
  EXPECT_TRUE(dllcall::ParseInteger(ValueKind::kUnsigned, "0xFFFFFFFF", &value) && value == 0xFFFFFFFF);
  EXPECT_TRUE(dllcall::ParseInteger(ValueKind::kBool, "true", &value) && value == 1);
  EXPECT_TRUE(dllcall::ParseInteger(ValueKind::kBool, "", &value) && value == 0);
  EXPECT_TRUE(dllcall::ParseInteger(ValueKind::kSigned, "-9223372036854775808", &value) && value == INT64_MIN);
  for (const char* bad : {"", "TRUE", "12a", "0x", "-", "18446744073709551616", "-9223372036854775809"})
    EXPECT_FALSE(dllcall::ParseInteger(ValueKind::kSigned, bad, &value)) << bad;
  EXPECT_EQ(dllcall::FormatReturn(ValueKind::kSigned, 0xFFFFFFFFu), "-1");
  EXPECT_EQ(dllcall::FormatReturn(ValueKind::kUnsigned, 0xFFFFFFFFu), "4294967295");
  EXPECT_EQ(dllcall::FormatReturn(ValueKind::kPointer, 0x100000000ull), "4294967296");
}

class CollectedMessages final : public builder::BuildMessages {
 public:
  std::vector<std::string> texts;

 private:
  void Send(int32_t, const std::string& text) override { texts.push_back(text); }
};

Cell T(const std::string& text) { return qv::engine::TextCell(text); }
Cell I(int32_t value) { return Cell{value}; }

std::vector<std::string> RowOf(const Database& db, const std::string& table, const std::string& key) {
  qv::engine::RowId id = 0;
  if (!db.FindTable(table)->Find({T(key)}, &id)) return {};
  std::vector<std::string> texts;
  for (const Cell& cell : *db.FindTable(table)->Get(id))
    texts.push_back(std::holds_alternative<int32_t>(cell) ? std::to_string(std::get<int32_t>(cell)) : CellText(cell));
  return texts;
}

TEST(WrapperActions, DllCallsBecomeCallsOfTheWrapperWithTheCallTextSetJustBefore) {
  testenv::TempDir capture;
  const std::string dll64 = testenv::ReadText(std::string(FERNCLIP_BUILD_DIR) + "/tests/fixtures/pe/call_target.dll");
  testenv::WriteText(capture / "Setup/call target.dll", dll64);
  testenv::WriteText(capture / "Setup/notes.dll", "not a program");
  Database db;
  Table* actions = db.AddTable("CustomAction", {{"Action", ColumnKind::String, 72, false, false, true},
                                                {"Type", ColumnKind::Int32, 0, false, false, false},
                                                {"Source", ColumnKind::String, 72, true, false, false},
                                                {"Target", ColumnKind::String, 255, true, false, false}});
  db.AddTable("Binary", {{"Name", ColumnKind::String, 72, false, false, true},
                         {"Data", ColumnKind::Binary, 0, false, false, false}});
  db.AddTable("Property", {{"Property", ColumnKind::String, 72, false, false, true},
                           {"Value", ColumnKind::String, 0, false, true, false}});
  Table* sequence = db.AddTable("InstallExecuteSequence", {{"Action", ColumnKind::String, 72, false, false, true},
                                                           {"Condition", ColumnKind::String, 255, true, false, false},
                                                           {"Sequence", ColumnKind::Int32, 0, true, false, false}});
  const std::string captured = "<SOURCEFILEPATH>\\Setup\\call target.dll";
  for (const auto& row : std::vector<std::vector<Cell>>{
           {T("DLLCA1"), I(0x20000), T(captured), T("INT=[DLLCA1_RETURN] call target::Record(LPSTR p=[DLLCA1_PARAM1])")},
           {T("DLLCA2"), I(0x20000), T(captured), T("VOID call target::Note()")},
           {T("DLLCA3"), I(0x20020), T("SystemFolder"), T("VOID sys::Init()")},
           {T("DLLCA4"), I(0x20000), T(captured), T("VOID call target::Note(FLOAT f=1)")},
           {T("DLLCA5"), I(0x20000), T("<SOURCEFILEPATH>\\Setup\\notes.dll"), T("VOID notes::Go()")}})
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
  EXPECT_EQ(RowOf(db, "CustomAction", "DLLCA1"), (std::vector<std::string>{"DLLCA1", "65", "QvDLLWrapper64", "CallDllFunction"}));
  EXPECT_EQ(RowOf(db, "CustomAction", "DLLCA2").at(2), "QvDLLWrapper64");
  EXPECT_EQ(RowOf(db, "CustomAction", "DLLCA3").at(2), "QvDLLWrapper");
  EXPECT_EQ(RowOf(db, "Binary", "call_target.dll").at(1), dll64);
  EXPECT_EQ(builder::PeMachineOf(RowOf(db, "Binary", "QvDLLWrapper64").at(1)), 0x8664);
  EXPECT_EQ(builder::PeMachineOf(RowOf(db, "Binary", "QvDLLWrapper").at(1)), 0x14c);
  EXPECT_EQ(db.FindTable("Binary")->RowCount(), 3u);
  // The call text reaches the wrapper with its property references intact: in a property of
  // its own, which the action before the call names.
  EXPECT_EQ(RowOf(db, "CustomAction", "DLLCA1_Call"),
            (std::vector<std::string>{"DLLCA1_Call", "51", "QvDllWrapperCall", "QvDllCall_DLLCA1"}));
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
