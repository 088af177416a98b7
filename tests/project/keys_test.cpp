// Keys made from free text: valid identifiers, unique keys per key space, running numbers.
#include <gtest/gtest.h>

#include <string>

#include "project/keys.h"

namespace {

std::string Identifier(std::string text, project::IdentifierLimit limit = project::IdentifierLimit::kGeneral) {
  project::MakeIdentifier(text, limit);
  return text;
}

class UniqueKeys : public ::testing::Test {
 protected:
  void SetUp() override { project::ClearUsedKeys(); }
  void TearDown() override { project::ClearUsedKeys(); }
};

TEST(MakeIdentifier, TurnsFreeTextIntoAValidKey) {
  EXPECT_EQ(Identifier("1st Setup"), "_1stSetup");
  EXPECT_EQ(Identifier("My App (x86)"), "MyAppx86");
  EXPECT_EQ(Identifier("lib_v1.2.dll"), "lib_v1.2.dll");
  EXPECT_EQ(Identifier("_under"), "_under");
  EXPECT_EQ(Identifier(""), "");
  // A leading character that is no letter is kept behind the underscore only when it is valid.
  EXPECT_EQ(Identifier("(Tools)"), "_Tools");
  EXPECT_EQ(Identifier(".hidden"), "_.hidden");
  // A non-breaking space is a space; the registered sign and other non-ASCII bytes go.
  EXPECT_EQ(Identifier("Quill\xA0Mark\xAE Caf\xE9"), "QuillMarkCaf");
}

TEST(MakeIdentifier, LimitsTheLength) {
  std::string eighty(80, 'a');
  EXPECT_EQ(Identifier(eighty), std::string(71, 'a'));
  EXPECT_EQ(Identifier(std::string(71, 'b')).size(), 71u);
  EXPECT_EQ(Identifier(std::string(72, 'b')).size(), 71u);

  // Feature keys given by name: the first 38 characters.
  std::string named = std::string(40, 'f') + "XY";
  EXPECT_EQ(Identifier(named, project::IdentifierLimit::kFeature), std::string(38, 'f'));
  EXPECT_EQ(Identifier("Short", project::IdentifierLimit::kFeature), "Short");

  // Numbered feature keys keep their end, so the number survives.
  std::string numbered = std::string(40, 'p') + "NewFeature12";
  std::string key = Identifier(numbered, project::IdentifierLimit::kNumberedFeature);
  EXPECT_EQ(key.size(), 38u);
  EXPECT_EQ(key, std::string(31, 'p') + "ature12");
  EXPECT_EQ(Identifier("AppNewFeature2", project::IdentifierLimit::kNumberedFeature), "AppNewFeature2");
}

TEST_F(UniqueKeys, NumbersTakenKeysWithinTheirKeySpace) {
  using namespace project;
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "readme.txt", 0, false), "readme.txt");
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "readme.txt", 0, false), "readme.txt1");
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "readme.txt", 0, false), "readme.txt2");
  // Another key space does not see the file keys.
  EXPECT_EQ(MakeUniqueKey(kComponentKeys, "readme.txt", 0, false), "readme.txt");
  // Keys are compared with their letter case.
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "README.TXT", 0, false), "README.TXT");
  // The name passes MakeIdentifier first.
  EXPECT_EQ(MakeUniqueKey(kShortcutKeys, "My Tool", 0, false), "MyTool");
  EXPECT_EQ(MakeUniqueKey(kShortcutKeys, "My  Tool", 0, false), "MyTool1");
  EXPECT_TRUE(IsKeyUsed(kShortcutKeys, "MyTool1"));
}

TEST_F(UniqueKeys, AppendsOneAndAGivenNumber) {
  using namespace project;
  EXPECT_EQ(MakeUniqueKey(kComponentKeys, "Core", 0, true), "Core1");
  EXPECT_EQ(MakeUniqueKey(kComponentKeys, "Core", 0, true), "Core11");
  EXPECT_EQ(MakeUniqueKey(kComponentKeys, "Core2", 0, true), "Core2");  // ends in a digit
  EXPECT_EQ(MakeUniqueKey(kComponentKeys, "", 0, true), "");            // nothing to append to

  EXPECT_EQ(MakeUniqueKey(kIniFileKeys, "win.ini", 7, false), "win.ini");
  EXPECT_EQ(MakeUniqueKey(kIniFileKeys, "win.ini", 7, false), "win.ini7");
  // The given number is taken too: the key is still new in the space.
  std::string third = MakeUniqueKey(kIniFileKeys, "win.ini", 7, false);
  EXPECT_NE(third, "win.ini7");
  EXPECT_NE(third, "win.ini");
  EXPECT_EQ(third.rfind("win.ini", 0), 0u);
}

TEST_F(UniqueKeys, IconKeysKeepTheirExtension) {
  using namespace project;
  EXPECT_EQ(MakeUniqueKey(kIconKeys, "Icon_app.exe", 0, false), "Icon_app.exe");
  EXPECT_EQ(MakeUniqueKey(kIconKeys, "Icon_app.exe", 0, false), "Icon_app1.exe");
  EXPECT_EQ(MakeUniqueKey(kIconKeys, "Icon_app.exe", 0, false), "Icon_app2.exe");
  EXPECT_EQ(MakeUniqueKey(kIconKeys, "Icon_my app.ico", 0, false), "Icon_myapp.ico");
  EXPECT_EQ(MakeUniqueKey(kIconKeys, "Icon_noext", 0, false), "Icon_noext");
  // A long name is shortened before the number and the extension, which both survive.
  std::string longName = "Icon_" + std::string(80, 'x') + ".exe";
  std::string first = MakeUniqueKey(kIconKeys, longName, 0, false);
  std::string second = MakeUniqueKey(kIconKeys, longName, 0, false);
  EXPECT_LE(first.size(), 71u);
  EXPECT_LE(second.size(), 71u);
  EXPECT_NE(first, second);
  EXPECT_EQ(second.substr(second.size() - 5), "1.exe");
}

TEST_F(UniqueKeys, NumberedKeysStayWithinTheKeyLength) {
  using namespace project;
  std::string name(71, 'k');
  EXPECT_EQ(MakeUniqueKey(kFileKeys, name, 0, false), name);
  for (int i = 1; i <= 12; ++i) {
    std::string key = MakeUniqueKey(kFileKeys, name, 0, false);
    EXPECT_LE(key.size(), 71u);
    EXPECT_EQ(key.substr(key.size() - std::to_string(i).size()), std::to_string(i));
  }
}

TEST_F(UniqueKeys, RegisterTellsWhichSpacesHoldAKey) {
  using namespace project;
  MarkKeyUsed(kFileKeys, "a");
  EXPECT_TRUE(IsKeyUsed(kFileKeys, "a"));
  EXPECT_FALSE(IsKeyUsed(kFileKeys | kComponentKeys, "a"));
  MarkKeyUsed(kComponentKeys, "a");
  EXPECT_TRUE(IsKeyUsed(kFileKeys | kComponentKeys, "a"));
  EXPECT_FALSE(IsKeyUsed(kFileKeys, "A"));
  EXPECT_FALSE(IsKeyUsed(kFileKeys, "unknown"));
  ClearUsedKeys();
  EXPECT_FALSE(IsKeyUsed(kFileKeys, "a"));
  // Numbering starts afresh after the register is cleared.
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "a", 0, false), "a");
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "a", 0, false), "a1");
}

TEST_F(UniqueKeys, KeysMarkedElsewhereAreSkippedByNumbering) {
  using namespace project;
  MarkKeyUsed(kFileKeys, "f");
  MarkKeyUsed(kFileKeys, "f1");
  MarkKeyUsed(kFileKeys, "f3");
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "f", 0, false), "f2");
  EXPECT_EQ(MakeUniqueKey(kFileKeys, "f", 0, false), "f4");
}

TEST(RunningKey, CountsFromZero) {
  project::RunningKey registry("Registry_");
  EXPECT_EQ(registry.Next(), "Registry_0");
  EXPECT_EQ(registry.Next(), "Registry_1");
  project::RunningKey removal("RemoveRegistry_");
  EXPECT_EQ(removal.Next(), "RemoveRegistry_0");
  registry.Reset();
  EXPECT_EQ(registry.Next(), "Registry_0");
}

}  // namespace
