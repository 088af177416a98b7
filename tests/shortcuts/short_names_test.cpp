// 8.3 short names and the short|long file name form.
#include "shortcuts/short_names.h"

#include <gtest/gtest.h>

namespace {

using namespace shortcuts;

class ShortNamesTest : public ::testing::Test {
 protected:
  void SetUp() override { ShortNames().Clear(); }
  void TearDown() override { ShortNames().Clear(); }
};

TEST_F(ShortNamesTest, LongNamesAreNumberedShortOnesStay) {
  EXPECT_EQ(MakeShortName("My Application Help"), "MyAppl~1");
  EXPECT_EQ(MakeShortName("C:\\Docs\\MyApplication Two.txt"), "MyAppl~2");
  // Registered names are compared without regard to case: MYAPPL~1 is taken.
  EXPECT_EQ(MakeShortName("MYAPPLICATION"), "MYAPPL~3");
  EXPECT_EQ(MakeShortName("Readme"), "Readme");
  EXPECT_FALSE(ShortNames().Contains("Readme"));
  // The characters a short name may not hold are dropped before measuring.
  EXPECT_EQ(MakeShortName("a+b=c[1].txt"), "abc1");
  EXPECT_EQ(MakeShortName("archive.tar.gz"), "archiv~1");
  EXPECT_EQ(MakeShortExtension("archive.tar.gz"), "gz");
  EXPECT_EQ(MakeShortExtension("page.html"), "htm");
  EXPECT_EQ(MakeShortExtension("Makefile"), "");
  // From the tenth name of a stem on, the stem gives way to the number.
  for (int i = 4; i <= 9; ++i) MakeShortName("MyApplication");
  EXPECT_EQ(MakeShortName("MyApplication"), "MyApp~10");
}

// The File rows these forms give (short|long, a name that is 8.3 already, rebuilt short names
// of non-ASCII names, wildcards) are checked in content/file_writer_test.
TEST_F(ShortNamesTest, FileNameColumnForms) {
  EXPECT_EQ(InstallerFileName("My File.txt"), "MyFile.txt|My File.txt");
  EXPECT_EQ(InstallerFileName("LICENSE"), "LICENSE");
  EXPECT_TRUE(HasValidShortPart("ReadMe~1.txt|ReadMe First.txt"));
  EXPECT_FALSE(HasValidShortPart("toolongname.txt|x"));
  EXPECT_FALSE(HasValidShortPart("a.b.c|x"));
  EXPECT_TRUE(HasValidShortPart(StrictInstallerFileName(".profile")));
}

}  // namespace
