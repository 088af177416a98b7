// The call text that the DLL wrapper reads: the parser is the wrapper's own, built for the host
// too. That the calls run is checked by installing a package (install/calls_install_test).
#include <gtest/gtest.h>

#include "call_text.h"

namespace {

using dllcall::ValueKind;

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

}  // namespace
