#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/codepage.h"
#include "platform/guid.h"
#include "platform/locale.h"
#include "platform/version.h"

using namespace platform;

TEST(Text, CaseFoldingCoversWindows1252Letters) {
  EXPECT_EQ(ToLower("ABC xyz \xC4\xD6\xDC \x8A\x9F"), "abc xyz \xE4\xF6\xFC \x9A\xFF");
  EXPECT_EQ(ToUpper("abc \xE4\xF6\xFC \x9A\xFF"), "ABC \xC4\xD6\xDC \x8A\x9F");
  // The multiplication and division signs and sharp s have no case partner.
  EXPECT_EQ(ToLower("\xD7\xDF"), "\xD7\xDF");
  EXPECT_EQ(ToUpper("\xF7\xDF"), "\xF7\xDF");
}

TEST(Text, ComparisonIgnoresCase) {
  EXPECT_TRUE(EqualsNoCase("Program Files\\\xC4pfel", "PROGRAM FILES\\\xE4PFEL"));
  EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
  EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
  EXPECT_GT(CompareNoCase("b", "A"), 0);
  EXPECT_LT(CompareNoCase("ab", "ABC"), 0);
  // Long texts, equal bytes passed in blocks: case and order are still decided byte by byte.
  EXPECT_EQ(CompareNoCase("Software\\Vendor\\Product\\Key", "Software\\Vendor\\PRODUCT\\key"), 0);
  EXPECT_LT(CompareNoCase("Software\\Vendor\\Product\\KeyA", "SOFTWARE\\Vendor\\Product\\keyb"), 0);
  EXPECT_GT(CompareNoCase("Software\\Vendor\\Product\\Key2", "Software\\Vendor\\Product\\Key10"), 0);
  EXPECT_LT(CompareNoCase("Software\\Vendor\\", "Software\\Vendor\\Product"), 0);
  EXPECT_TRUE(StartsWithNoCase("HKEY_Local_Machine\\x", "hkey_local_machine"));
  EXPECT_TRUE(EndsWithNoCase("app.WRP", ".wrp"));
  EXPECT_FALSE(EndsWithNoCase("p", ".wrp"));
  EXPECT_EQ(FindNoCase("aXbXb", "xB"), 1u);
  EXPECT_EQ(FindNoCase("aXbXb", "xB", 2), 3u);
  EXPECT_EQ(FindNoCase("aXbXb", "q"), std::string::npos);

  std::map<std::string, int, LessNoCase> keys{{"Software", 1}};
  EXPECT_EQ(keys.count("SOFTWARE"), 1u);
}

TEST(Text, TrimNumbersAndFormatting) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a "), "  a");
  EXPECT_EQ(Atol("  42abc"), 42);
  EXPECT_EQ(Atol("-7"), -7);
  EXPECT_EQ(Atol("abc"), 0);
  EXPECT_DOUBLE_EQ(Atof("2.5x"), 2.5);
  EXPECT_EQ(Format("%s-%04d", "a", 7), "a-0007");
  const std::string longText(5000, 'q');
  EXPECT_EQ(Format("<%s>", longText.c_str()).size(), 5002u);
}

TEST(CodePage, Windows1252RoundTripAndReplacement) {
  if (std::getenv("FERNCLIP_CODEPAGE")) GTEST_SKIP() << "FERNCLIP_CODEPAGE is set";
  ASSERT_EQ(ActiveCodePage(), 1252);
  EXPECT_EQ(AnsiToUtf8("plain"), "plain");
  EXPECT_EQ(AnsiToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
  // 0x81 is not defined in 1252; a character outside 1252 becomes '?'.
  EXPECT_EQ(AnsiToUtf8("a\x81z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(Utf8ToAnsi("a\xE4\xB8\xADz"), "a?z");
  // A broken UTF-8 sequence costs one '?' and the rest survives.
  EXPECT_EQ(Utf8ToAnsi("a\xC3z\xC3\xA9"), "a?z\xE9");
  EXPECT_EQ(Utf8ToAnsi("end\xE2\x82"), "end?");
  // Shown to the user: a host path in UTF-8 stays, captured text around it is read as 1252.
  EXPECT_EQ(ToUtf8ForDisplay("/home/ren\xC3\xA9/Caf\xE9 \x80.msi \xC3"), "/home/ren\xC3\xA9/Caf\xC3\xA9 \xE2\x82\xAC.msi \xC3\x83");
}

TEST(Guid, RandomGuidsHaveRegistryForm) {
  const std::string a = NewGuid(), b = NewGuid();
  ASSERT_EQ(a.size(), 38u);
  EXPECT_EQ(a.front(), '{');
  EXPECT_EQ(a.back(), '}');
  for (size_t dash : {9u, 14u, 19u, 24u}) EXPECT_EQ(a[dash], '-');
  EXPECT_EQ(a[15], '4');  // version 4
  EXPECT_EQ(ToUpper(a), a);
  EXPECT_NE(a, b);
}

TEST(Locale, EnglishNamesOfLanguageIdentifiers) {
  EXPECT_EQ(LanguageName(1033), "English");
  EXPECT_EQ(LanguageName(2057), "English");  // another sublanguage
  EXPECT_EQ(LanguageName(0x081A), "Serbian");
  EXPECT_EQ(LanguageName(0), "");
  EXPECT_EQ(LanguageName(9), "");       // no sublanguage
  EXPECT_EQ(LanguageName(0x7C09), "");  // no such English sublanguage
}

TEST(Version, ProgramVersionHasFourParts) {
  const std::string version = ProgramVersion();
  int parts[4];
  char tail;
  EXPECT_EQ(std::sscanf(version.c_str(), "%d.%d.%d.%d%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail), 4)
      << version;
}
