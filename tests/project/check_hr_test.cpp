#include "project/check_hr.h"

#include <gtest/gtest.h>

#include "core/messages.h"
#include "support/test_env.h"

TEST(CheckHr, TracesFailuresOnlyAndPassesTheResultOn) {
  testenv::TempDir dir;
  const std::string log = dir / "log.txt";
  core::OpenConversionLogAt(log, core::kTraceGeneral);
  const std::string header = testenv::ReadText(log);

  EXPECT_EQ(CHECK_HR(qv::kOk), qv::kOk);
  EXPECT_EQ(CHECK_HR(qv::kFalse), qv::kFalse);
  const int line = __LINE__ + 1;
  EXPECT_EQ(CHECK_HR(qv::kClassNotRegistered), qv::kClassNotRegistered);
  core::CloseConversionLog();

  EXPECT_EQ(testenv::ReadText(log),
            header + "FAILURE: CHECK_HR: 0x80040154 File=check_hr_test.cpp Line=" + std::to_string(line) + "\r\n");
}
