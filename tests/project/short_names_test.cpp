// 8.3 short names and the short|long file name form.
#include "project/short_names.h"

#include <gtest/gtest.h>

namespace {

using namespace project;

class ShortNamesTest : public ::testing::Test {
 protected:
  void SetUp() override { ShortNames().Clear(); }
  void TearDown() override { ShortNames().Clear(); }
};

TEST_F(ShortNamesTest, EveryNameIsUniqueInItsFolder) {
  EXPECT_EQ(MakeShortName("My Application Help", "App"), "MyAppl~1");
  EXPECT_EQ(MakeShortName("C:\\Docs\\MyApplication Two", "App"), "MyAppl~2");
  // Registered names are compared without regard to case: MYAPPL~1 is taken.
  EXPECT_EQ(MakeShortName("MYAPPLICATION", "App"), "MYAPPL~3");
  // Another folder numbers on its own.
  EXPECT_EQ(MakeShortName("My Application Help", "Docs"), "MyAppl~1");
  // From the tenth name of a stem on, the stem gives way to the number.
  for (int i = 4; i <= 9; ++i) MakeShortName("MyApplication", "App");
  EXPECT_EQ(MakeShortName("MyApplication", "App"), "MyApp~10");

  // A name that is 8.3 already is its own short name while it is free; a longer extension or a
  // character a short name drops makes a numbered one, whatever the length of the base.
  EXPECT_EQ(MakeShortName("Readme", "App"), "Readme");
  EXPECT_EQ(MakeShortName("index.htm", "App"), "index.htm");
  EXPECT_EQ(MakeShortName("index.html", "App"), "index~1.htm");
  EXPECT_EQ(MakeShortName("Normal.dotx", "App"), "Normal~1.dot");
  EXPECT_EQ(MakeShortName("Normal.dotm", "App"), "Normal~2.dot");
  EXPECT_EQ(MakeShortName("MyFile.txt", "App"), "MyFile.txt");
  EXPECT_EQ(MakeShortName("My File.txt", "App"), "MyFile~1.txt");
  EXPECT_EQ(MakeShortName("a+b=c[1].txt", "App"), "abc1~1.txt");
  EXPECT_EQ(MakeShortName("archive.tar.gz", "App"), "archiv~1.gz");
  // The same name twice in one folder (an INI file beside a file of that name) gets a second one.
  EXPECT_EQ(MakeShortName("Readme", "App"), "Readme~1");
  EXPECT_EQ(MakeShortExtension("page.html"), "htm");
  EXPECT_EQ(MakeShortExtension("Makefile"), "");
}

// The File rows these forms give (short|long, a name that is 8.3 already, rebuilt short names
// of non-ASCII names, wildcards) are checked in content/file_writer_test.
TEST_F(ShortNamesTest, FileNameColumnForms) {
  EXPECT_EQ(InstallerFileName("My File.txt", "App"), "MyFile~1.txt|My File.txt");
  EXPECT_EQ(InstallerFileName("LICENSE", "App"), "LICENSE");
  EXPECT_EQ(RemovedFileName("Old Acme Log.txt"), "OldAcm~1.txt|Old Acme Log.txt");
  EXPECT_EQ(RemovedFileName("LICENSE"), "LICENSE");
  EXPECT_TRUE(HasValidShortPart("ReadMe~1.txt|ReadMe First.txt"));
  EXPECT_FALSE(HasValidShortPart("toolongname.txt|x"));
  EXPECT_FALSE(HasValidShortPart("a.b.c|x"));
  EXPECT_TRUE(HasValidShortPart(StrictInstallerFileName(".profile", "App")));
}

}  // namespace
