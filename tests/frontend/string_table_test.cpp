#include "frontend/string_table.h"

#include <gtest/gtest.h>

#include "frontend/cancellation.h"
#include "frontend/repackager_exception.h"

using namespace frontend;

TEST(StringTable, LoadsTextsByNumber) {
  EXPECT_EQ(LoadString(1), "Converter engine could not be found.");
  EXPECT_EQ(LoadString(4), "The options.ini file could not be found.");
  EXPECT_EQ(LoadString(21005), "Cancelled by user action.");
  EXPECT_EQ(LoadString(21020), "Can't open .vpx template. ");
  EXPECT_EQ(LoadString(21084), "          Including merge module '%s'");
  EXPECT_EQ(LoadString(23036), "Writing information to the RemoveRegistry table");
  EXPECT_EQ(LoadString(25113), "QvPro Logging");
  EXPECT_EQ(LoadString(0), "");
  EXPECT_EQ(LoadString(21004), "");
  EXPECT_EQ(LoadString(99999), "");
}

TEST(StringTable, EveryRangeIsComplete) {
  // The numbers in use, range by range.
  int count = 0;
  for (int id = 1; id <= 99999; ++id)
    if (!LoadString(id).empty()) ++count;
  EXPECT_EQ(count, 94);
  for (int id = 22101; id <= 22115; ++id) EXPECT_FALSE(LoadString(id).empty()) << id;
  for (int id = 23000; id <= 23024; ++id) EXPECT_FALSE(LoadString(id).empty()) << id;
}

TEST(StringTable, FormatsPrintfStyle) {
  EXPECT_EQ(FormatString(21003, "English (code 1033)"), "Applying language 'English (code 1033)' to the project");
  EXPECT_EQ(FormatString(22106, "Svc", 2),
            "Undefined NT Service 'Svc':  service type '2' is not supported by Windows Installer 2.0.  "
            "This may result in ICE33 warnings.");
  EXPECT_EQ(FormatString(12345, "x"), "");
}

TEST(Cancellation, ThrowsTheCancelMessageOnlyWhenRequested) {
  ClearCancel();
  EXPECT_FALSE(IsCancelRequested());
  EXPECT_NO_THROW(TestCancel());
  RequestCancel();
  EXPECT_TRUE(IsCancelRequested());
  try {
    TestCancel();
    ADD_FAILURE() << "no exception";
  } catch (const repackager_exception& e) {
    EXPECT_STREQ(e.what(), "Cancelled by user action.");
  }
  ClearCancel();
  EXPECT_NO_THROW(TestCancel());
  EXPECT_THROW(ThrowMessage(22002), repackager_exception);
  EXPECT_STREQ(repackager_exception::FromId(22002).what(), "File not found.");
}
