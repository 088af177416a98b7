// Keys made from free text: valid identifiers, and unique keys per key space.
#include <gtest/gtest.h>

#include <string>

#include "project/keys.h"

namespace {

using namespace project;

std::string Identifier(std::string text, IdentifierLimit limit = IdentifierLimit::kGeneral) {
  MakeIdentifier(text, limit);
  return text;
}

TEST(MakeIdentifier, TurnsFreeTextIntoAValidKeyOfLimitedLength) {
  const std::pair<std::string, std::string> cases[] = {
      {"1st Setup", "_1stSetup"},
      {"My App (x86)", "MyAppx86"},
      {"lib_v1.2.dll", "lib_v1.2.dll"},
      {"", ""},
      // A leading character that is no letter is kept behind the underscore only when it is valid.
      {"(Tools)", "_Tools"},
      {".hidden", "_.hidden"},
      // A non-breaking space is a space; the registered sign and other non-ASCII bytes go.
      {"Quill\xA0Mark\xAE Caf\xE9", "QuillMarkCaf"},
      {std::string(80, 'a'), std::string(71, 'a')},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Identifier(text), expected) << text;
  // Feature keys given by name keep their first 38 characters, numbered ones their last.
  EXPECT_EQ(Identifier(std::string(40, 'f') + "XY", IdentifierLimit::kFeature), std::string(38, 'f'));
  EXPECT_EQ(Identifier(std::string(40, 'p') + "NewFeature12", IdentifierLimit::kNumberedFeature),
            std::string(31, 'p') + "ature12");
}

class UniqueKeys : public ::testing::Test {
 protected:
  void SetUp() override { ClearUsedKeys(); }
  void TearDown() override { ClearUsedKeys(); }
};

TEST_F(UniqueKeys, NumbersTakenKeysWithinTheirKeySpace) {
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "readme.txt", 0, false), "readme.txt");
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "readme.txt", 0, false), "readme.txt1");
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "readme.txt", 0, false), "readme.txt2");
  // Another key space does not see the file keys; keys compare with their letter case.
  EXPECT_EQ(MakeUniqueKey(kComponentKeys, "readme.txt", 0, false), "readme.txt");
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "README.TXT", 0, false), "README.TXT");
  // The name passes MakeIdentifier first.
  EXPECT_EQ(MakeUniqueKey(kShortcutKeys, "My Tool", 0, false), "MyTool");
  EXPECT_EQ(MakeUniqueKey(kShortcutKeys, "My  Tool", 0, false), "MyTool1");
  // Keys marked elsewhere are skipped by the numbering.
  MarkKeyUsed(kFileKeys, "f");
  MarkKeyUsed(kFileKeys, "f1");
  MarkKeyUsed(kFileKeys, "f3");
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "f", 0, false), "f2");
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "f", 0, false), "f4");
  // A key counts as used in a set of spaces only when it is used in each of them.
  EXPECT_FALSE(IsKeyUsed(kFileKeys | kComponentKeys, "f"));
  MarkKeyUsed(kComponentKeys, "f");
  EXPECT_TRUE(IsKeyUsed(kFileKeys | kComponentKeys, "f"));
  ClearUsedKeys();
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "readme.txt", 0, false), "readme.txt");
}

TEST_F(UniqueKeys, AppendedNumbersAndLongKeys) {
  EXPECT_EQ(MakeUniqueKey(kComponentKeys, "Core", 0, true), "Core1");
  EXPECT_EQ(MakeUniqueKey(kComponentKeys, "Core", 0, true), "Core11");
  EXPECT_EQ(MakeUniqueKey(kComponentKeys, "Core2", 0, true), "Core2");  // ends in a digit
  EXPECT_EQ(MakeUniqueKey(kComponentKeys, "", 0, true), "");            // nothing to append to
  EXPECT_EQ(MakeUniqueKey(kIniFileKeys, "win.ini", 7, false), "win.ini");
  EXPECT_EQ(MakeUniqueKey(kIniFileKeys, "win.ini", 7, false), "win.ini7");
  // The given number is taken too: the key is still new in the space.
  const std::string third = MakeUniqueKey(kIniFileKeys, "win.ini", 7, false);
  EXPECT_TRUE(third != "win.ini7" && third != "win.ini" && third.starts_with("win.ini")) << third;

  // Numbered keys stay within the key length, and icon keys keep their extension after it.
  const std::string name(71, 'k');
  EXPECT_EQ(MakeUniqueKey(kFileKeys, name, 0, false), name);
  for (int i = 1; i <= 12; ++i) {
    const std::string key = MakeUniqueKey(kFileKeys, name, 0, false);
    EXPECT_LE(key.size(), 71u);
    EXPECT_TRUE(key.ends_with(std::to_string(i))) << key;
  }
  EXPECT_EQ(MakeUniqueKey(kIconKeys, "Icon_app.exe", 0, false), "Icon_app.exe");
  EXPECT_EQ(MakeUniqueKey(kIconKeys, "Icon_app.exe", 0, false), "Icon_app1.exe");
  EXPECT_EQ(MakeUniqueKey(kIconKeys, "Icon_noext", 0, false), "Icon_noext");
  const std::string longIcon = "Icon_" + std::string(80, 'x') + ".exe";
  const std::string first = MakeUniqueKey(kIconKeys, longIcon, 0, false);
  const std::string second = MakeUniqueKey(kIconKeys, longIcon, 0, false);
  EXPECT_LE(std::max(first.size(), second.size()), 71u);
  EXPECT_NE(first, second);
  EXPECT_TRUE(second.ends_with("1.exe")) << second;
}

}  // namespace
