#include "core/string_table.h"

#include <gtest/gtest.h>

#include "core/cancellation.h"
#include "core/repackager_exception.h"

using namespace core;

TEST(StringTable, EveryNumberInUseAndNoOther) {
  int count = 0;
  for (int id = 1; id <= 99999; ++id)
    if (!LoadString(id).empty()) ++count;
  EXPECT_EQ(count, 106);
  for (int id = 22101; id <= 22115; ++id) EXPECT_FALSE(LoadString(id).empty()) << id;
  for (int id = 23000; id <= 23024; ++id) EXPECT_FALSE(LoadString(id).empty()) << id;
  EXPECT_EQ(LoadString(21004), "");
  // Texts are filled printf-style; an unknown number gives nothing.
  EXPECT_EQ(FormatString(22106, "Svc", 2),
            "Undefined NT Service 'Svc':  service type '2' is not supported by Windows Installer 2.0.  "
            "This may result in ICE33 warnings.");
  EXPECT_EQ(FormatString(12345, "x"), "");
}

TEST(Cancellation, ThrowsTheCancelMessageOnlyWhenRequested) {
  ClearCancel();
  EXPECT_NO_THROW(TestCancel());
  RequestCancel();
  try {
    TestCancel();
    ADD_FAILURE() << "no exception";
  } catch (const repackager_exception& e) {
    EXPECT_STREQ(e.what(), "Cancelled by user action.");
  }
  ClearCancel();
  EXPECT_NO_THROW(TestCancel());
  EXPECT_STREQ(repackager_exception::FromId(22002).what(), "File not found.");
}
