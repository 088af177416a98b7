#include "capture/formatted_text.h"

#include <gtest/gtest.h>

using namespace capture;

TEST(FormattedText, BracedGuidsAreRecognisedExactly) {
  EXPECT_TRUE(IsBracedGuid("{12345678-1234-1234-1234-123456789012}"));
  EXPECT_TRUE(IsBracedGuid("{ABCDEF01-abcd-ABCD-abcd-0123456789AB}"));
  EXPECT_FALSE(IsBracedGuid("{12345678-1234-1234-1234-12345678901}"));   // 37 characters
  EXPECT_FALSE(IsBracedGuid("{12345678-1234-1234-1234-1234567890123"));  // no closing brace
  EXPECT_FALSE(IsBracedGuid("{12345678+1234-1234-1234-123456789012}"));
  EXPECT_FALSE(IsBracedGuid("{1234567G-1234-1234-1234-123456789012}"));
  EXPECT_FALSE(IsBracedGuid("{123456781234-1234-1234-1234-12345678}"));
}

TEST(FormattedText, EscapingKeepsTheInstallersOwnReferences) {
  EXPECT_EQ(EscapeFormattedText("a[b]c"), "a[\\[]b[\\]]c");
  EXPECT_EQ(EscapeFormattedText("[\\{]x[~]y[!File1]z"), "[\\{]x[~]y[!File1]z");
  EXPECT_EQ(EscapeFormattedText("]["), "[\\]][\\[]");
  // Too short to be a reference: escaped.
  EXPECT_EQ(EscapeFormattedText("[\\x"), "[\\[]\\x");
  EXPECT_EQ(EscapeFormattedText("[~"), "[\\[]~");
  // A reference without its ']' runs to the end.
  EXPECT_EQ(EscapeFormattedText("x[!File"), "x[!File");
  EXPECT_EQ(EscapeFormattedText("caf\xE9[1]"), "caf\xE9[\\[]1[\\]]");
}

TEST(FormattedText, StringValuesEscapeBracesAndEnvironmentPairs) {
  EXPECT_EQ(ConvertStringValue("%%USERPROFILE%%\\x"), "[%USERPROFILE]\\x");
  EXPECT_EQ(ConvertStringValue("%%A%%;%%B%%"), "[%A];%%B%%");
  EXPECT_EQ(ConvertStringValue("100%% sure"), "100%% sure");
  EXPECT_EQ(ConvertStringValue("[x]{y}"), "[\\[]x[\\]][\\{]y[\\}]");
}
