#include "platform/profile.h"

#include <gtest/gtest.h>

#include "support/test_env.h"

using namespace platform;
using testenv::ReadText;
using testenv::WriteText;

namespace {

const char* const kOptions =
    "; written by the repackager\r\n"
    "[General]\r\n"
    "  INSTALLDIR = C:\\Program Files\\App  \r\n"
    "ProductName=\"Quoted Name\"\r\n"
    "Single='x'\r\n"
    "HalfQuoted=\"abc\r\n"
    "Empty=\r\n"
    "Count= 42 apples\r\n"
    "Negative=-5\r\n"
    "installdir=second wins never\r\n"
    "NoEquals\r\n"
    "; comment=ignored\r\n"
    "\r\n"
    "[Sequence]\r\n"
    "NIR=N\r\n"
    "[general]\r\n"
    "Late=not seen\r\n";

}  // namespace

TEST(Profile, ReadsStringsWithWindowsRules) {
  testenv::TempDir dir;
  const std::string path = dir / "Options.ini";
  WriteText(path, kOptions);

  // Names without regard to case, values trimmed, the first section and key win.
  EXPECT_EQ(GetProfileString("general", "installdir", "d", path), "C:\\Program Files\\App");
  EXPECT_EQ(GetProfileString("General", "Late", "d", path), "d");
  // One pair of surrounding quotes goes; a lone quote stays.
  EXPECT_EQ(GetProfileString("General", "ProductName", "", path), "Quoted Name");
  EXPECT_EQ(GetProfileString("General", "Single", "", path), "x");
  EXPECT_EQ(GetProfileString("General", "HalfQuoted", "", path), "\"abc");
  // A present empty value is empty, not the default; a missing key or section gives the default.
  EXPECT_EQ(GetProfileString("General", "Empty", "d", path), "");
  EXPECT_EQ(GetProfileString("General", "Missing", "d", path), "d");
  EXPECT_EQ(GetProfileString("Nowhere", "INSTALLDIR", "d", path), "d");
  EXPECT_EQ(GetProfileString("General", "; comment", "d", path), "d");
  // Results are cut to the buffer size minus one.
  EXPECT_EQ(GetProfileString("General", "INSTALLDIR", "", path, 6), "C:\\Pr");
  EXPECT_EQ(GetProfileString("General", "Missing", "default", path, 4), "def");
  // Backslash paths and letter case of the file name are resolved on the host.
  EXPECT_EQ(GetProfileString("Sequence", "NIR", "Y", dir / "OPTIONS.INI"), "N");
  // The file is read afresh at every call.
  WriteText(path, "[Sequence]\nNIR=No\n");
  EXPECT_EQ(GetProfileString("Sequence", "NIR", "", path), "No");
}

TEST(Profile, ReadsIntegersSectionsAndKeyNames) {
  testenv::TempDir dir;
  const std::string path = dir / "Options.ini";
  WriteText(path, kOptions);

  EXPECT_EQ(GetProfileInt("General", "Count", 7, path), 42);
  EXPECT_EQ(GetProfileInt("General", "Negative", 7, path), -5);
  EXPECT_EQ(GetProfileInt("General", "ProductName", 7, path), 0);
  EXPECT_EQ(GetProfileInt("General", "Empty", 7, path), 7);
  EXPECT_EQ(GetProfileInt("General", "Missing", 7, path), 7);

  const std::vector<std::string> section = GetProfileSection("GENERAL", path);
  const std::vector<std::string> expected = {
      "INSTALLDIR=C:\\Program Files\\App", "ProductName=\"Quoted Name\"", "Single='x'",
      "HalfQuoted=\"abc", "Empty=", "Count=42 apples", "Negative=-5",
      "installdir=second wins never", "NoEquals"};
  EXPECT_EQ(section, expected);
  // Only what fits into 12 characters with its terminator and the final one stays.
  EXPECT_EQ(GetProfileSection("General", path, 12), std::vector<std::string>{"INSTALLDIR"});

  const std::vector<std::string> keys = GetProfileKeyNames("Sequence", path);
  EXPECT_EQ(keys, std::vector<std::string>{"NIR"});
  EXPECT_TRUE(GetProfileSection("Missing", path).empty());
}

TEST(Profile, MissingFilesReadAsEmptyAndTextEndsAtANulByte) {
  testenv::TempDir dir;
  EXPECT_EQ(GetProfileString("General", "A", "d", dir / "none.ini"), "d");
  EXPECT_EQ(GetProfileString("General", "A", "d", ""), "d");
  EXPECT_EQ(GetProfileString("General", "A", "d", dir.path()), "d");  // a folder
  EXPECT_EQ(InspectProfileFile(dir / "none.ini"), ProfileFileState::kMissing);

  const std::string cut = dir / "cut.ini";
  const std::string contents("[General]\nA=1\n\0B=2\x01\x02", 19);
  WriteText(cut, contents);
  EXPECT_EQ(GetProfileString("General", "A", "d", cut), "1");
  EXPECT_EQ(GetProfileSection("General", cut), std::vector<std::string>{"A=1"});
  EXPECT_EQ(InspectProfileFile(cut), ProfileFileState::kCutAtNul);
  // Such a file is never rewritten: what follows the NUL would be lost.
  EXPECT_FALSE(WriteProfileString("General", "C", "3", cut));
  EXPECT_EQ(ReadText(cut), contents);

  const std::string truncated = dir / "truncated.ini";
  WriteText(truncated, "[General]\nA=1\nB=2\n[Seq");
  EXPECT_EQ(GetProfileString("General", "B", "d", truncated), "2");
  EXPECT_EQ(GetProfileString("Seq", "X", "d", truncated), "d");
}

TEST(Profile, ReadsUnicodeFilesWithByteOrderMark) {
  testenv::TempDir dir;
  const std::string utf16 = dir / "utf16.ini";
  // "[General]\r\nName=Caf\u00e9\r\n" in UTF-16 LE.
  std::string bytes = "\xFF\xFE";
  for (char c : std::string("[General]\r\nName=Caf\xE9\r\n")) {
    bytes += c;
    bytes += '\0';
  }
  WriteText(utf16, bytes);
  EXPECT_EQ(GetProfileString("General", "Name", "", utf16), "Caf\xE9");

  const std::string utf8 = dir / "utf8.ini";
  WriteText(utf8, "\xEF\xBB\xBF[General]\nName=Caf\xC3\xA9\n");
  EXPECT_EQ(GetProfileString("General", "Name", "", utf8), "Caf\xE9");
  ASSERT_TRUE(WriteProfileString("General", "Other", "\xFC", utf8));
  EXPECT_EQ(ReadText(utf8), "\xEF\xBB\xBF[General]\nName=Caf\xC3\xA9\nOther=\xC3\xBC\n");
}

TEST(Profile, WritingChangesOneValueAndKeepsTheRest) {
  testenv::TempDir dir;
  const std::string path = dir / "Options.ini";
  WriteText(path,
            "; keep me\r\n[General]\r\nProjectTemplate = C:\\t.vpx\r\nAfter=1\r\n\r\n[Other]\r\nX=1");

  ASSERT_TRUE(WriteProfileString("general", "projecttemplate", "", path));
  EXPECT_EQ(ReadText(path), "; keep me\r\n[General]\r\nProjectTemplate=\r\nAfter=1\r\n\r\n[Other]\r\nX=1");
  EXPECT_EQ(GetProfileString("General", "ProjectTemplate", "d", path), "");

  // A new key joins the end of its section; a new section goes at the end of the file.
  ASSERT_TRUE(WriteProfileString("Other", "Y", "2", path));
  ASSERT_TRUE(WriteProfileString("New", "Z", "3", path));
  EXPECT_EQ(ReadText(path),
            "; keep me\r\n[General]\r\nProjectTemplate=\r\nAfter=1\r\n\r\n[Other]\r\nX=1\r\nY=2\r\n"
            "\r\n[New]\r\nZ=3\r\n");

  // A new file is created.
  const std::string fresh = dir / "fresh.ini";
  ASSERT_TRUE(WriteProfileString("General", "A", "b", fresh));
  EXPECT_EQ(ReadText(fresh), "[General]\r\nA=b\r\n");
}

TEST(Profile, RefusesWritesThatWouldLoseData) {
  testenv::TempDir dir;
  const std::string binary = dir / "binary.ini";
  const std::string contents("MZ\0\0\x90\0binary", 12);
  WriteText(binary, contents);
  int error = 0;
  EXPECT_FALSE(WriteProfileString("General", "A", "1", binary, &error));
  EXPECT_NE(error, 0);
  EXPECT_EQ(ReadText(binary), contents);

  const std::string path = dir / "Options.ini";
  WriteText(path, "[General]\nA=1\n");
  EXPECT_FALSE(WriteProfileString("General", "A", "two\nlines", path));
  EXPECT_FALSE(WriteProfileString("General", "B=C", "1", path));
  EXPECT_EQ(ReadText(path), "[General]\nA=1\n");

  // A folder that does not exist cannot take the file.
  EXPECT_FALSE(WriteProfileString("General", "A", "1", dir / "no/such/folder/x.ini", &error));
  EXPECT_NE(error, 0);
}
