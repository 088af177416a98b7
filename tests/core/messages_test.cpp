#include "core/messages.h"

#include <gtest/gtest.h>

#include <regex>
#include <vector>

#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/version.h"
#include "support/test_env.h"

using namespace core;
using testenv::ReadText;

namespace {

std::vector<MessageRecord> received;
void Collect(const MessageRecord& record) { received.push_back(record); }

class ConversionLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    received.clear();
    SetMessageCallback(&Collect);
  }
  void TearDown() override {
    CloseConversionLog();
    SetMessageCallback(nullptr);
  }
  // The log's lines after its header line.
  std::string Body() {
    const std::string text = ReadText(logPath_);
    const size_t headerEnd = text.find("\r\n");
    return headerEnd == std::string::npos ? std::string() : text.substr(headerEnd + 2);
  }

  testenv::RegistrySandbox registry_;
  testenv::TempDir dir_;
  std::string logPath_ = dir_ / "conversion.log";
};

}  // namespace

TEST(LogTime, TwelveHourClockWithCLocaleNames) {
  std::tm moment{};
  moment.tm_year = 2024 - 1900;
  moment.tm_mon = 0;
  moment.tm_mday = 5;
  moment.tm_hour = 15;
  moment.tm_min = 4;
  moment.tm_sec = 5;
  moment.tm_isdst = -1;
  const std::time_t when = std::mktime(&moment);
  EXPECT_EQ(platform::FormatLocalTime("%I:%M:%S%p", when), "03:04:05PM");
  EXPECT_EQ(platform::FormatLocalTime("%A, %B %d, %Y   %I:%M:%S%p", when),
            "Friday, January 05, 2024   03:04:05PM");
}

TEST_F(ConversionLogTest, RecordsGoToTheLogAndTheCallback) {
  OpenConversionLogAt(logPath_, kTraceGeneral);
  LogMessage(kWarning, "x");
  LogMessage(MessageRecord{kStep, "Starting conversion", 0});
  LogMessage(kBuildOutput, "  %s kept  ");
  LogMessage(kError, "bad");
  LogMessage(kInformation, "info");
  CloseConversionLog();
  LogMessage(kError, "after close");  // still reaches the callback

  // Each type's prefix; a step stands under a rule of 54 underscores with an empty line below.
  const std::string time = "[01][0-9]:[0-5][0-9]:[0-5][0-9][AP]M";
  const std::regex expected(time + "> WARNING: x\r\n\r\n_{54}\r\n" + time + "> Starting conversion\r\n\r\n" + time +
                            "> BUILD  :   %s kept  \r\n" + time + "> bad\r\n" + time + "> info\r\n");
  EXPECT_TRUE(std::regex_match(Body(), expected)) << Body();

  ASSERT_EQ(received.size(), 6u);
  EXPECT_EQ(received[1].type, kStep);
  EXPECT_EQ(received[1].text, "Starting conversion");
  EXPECT_EQ(received[5].text, "after close");
}

TEST_F(ConversionLogTest, TraceLevelsFollowTheMask) {
  OpenConversionLogAt(logPath_, 16);
  LogTrace(16, "file %d", 1);
  LogTrace(8, "shortcut");
  LogTrace(4, "general");
  LogMessage(kInformation, "record at level 4");
  CloseConversionLog();
  EXPECT_EQ(ReadText(logPath_), "\tfile 1\r\n");  // the header is a level 4 line too

  OpenConversionLogAt(logPath_, 4);
  LogTrace(16, "file");
  LogTrace(2048, "folder");
  LogTrace(4, "general %s", "line");
  CloseConversionLog();
  EXPECT_EQ(Body(), "\tfile\r\n\tfolder\r\ngeneral line\r\n");

  OpenConversionLogAt(logPath_, 8);
  LogTrace(16, "file");
  LogTrace(8, "shortcut");
  CloseConversionLog();
  EXPECT_EQ(ReadText(logPath_), "\tshortcut\r\n");
}

TEST_F(ConversionLogTest, LongTracesAreCutAt1024Characters) {
  OpenConversionLogAt(logPath_, 4);
  const std::string longText(3000, 'a');
  LogTrace(4, "%s", longText.c_str());
  CloseConversionLog();
  EXPECT_EQ(Body(), std::string(1024, 'a') + "\r\n");
}

TEST_F(ConversionLogTest, OpensFromTheRegistryWithItsHeader) {
  using platform::RegistryRoot;
  ASSERT_TRUE(platform::WriteRegistryString(RegistryRoot::LocalMachine, "Software\\Quillmark", "DebugFile", logPath_));
  ASSERT_TRUE(platform::WriteRegistryString(RegistryRoot::LocalMachine, "Software\\Quillmark", "DebugRepackager", "36xyz"));
  OpenConversionLog();
  ASSERT_TRUE(IsConversionLogOpen());
  EXPECT_EQ(TraceMask(), 36u);
  LogTrace(32, "Created component:  Key = '%s'", "C1");
  CloseConversionLog();
  EXPECT_FALSE(IsConversionLogOpen());
  LogTrace(4, "after close");

  const std::regex expected(
      "(Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|Sunday), [A-Z][a-z]+ [0-3][0-9], [0-9]{4}   "
      "[01][0-9]:[0-5][0-9]:[0-5][0-9][AP]M    Version: " +
      std::regex_replace(platform::ProgramVersion(), std::regex("\\."), "\\.") +
      "\r\n\tCreated component:  Key = 'C1'\r\n");
  EXPECT_TRUE(std::regex_match(ReadText(logPath_), expected)) << ReadText(logPath_);
}

TEST_F(ConversionLogTest, WithoutTheRegistryValuesThereIsNoLog) {
  using platform::RegistryRoot;
  OpenConversionLog();
  EXPECT_FALSE(IsConversionLogOpen());
  LogMessage(kWarning, "still shown");
  EXPECT_EQ(received.size(), 1u);

  // "DebugFile" without "DebugRepackager": the file is made and stays empty.
  ASSERT_TRUE(platform::WriteRegistryString(RegistryRoot::LocalMachine, "Software\\Quillmark", "DebugFile", logPath_));
  OpenConversionLog();
  EXPECT_TRUE(IsConversionLogOpen());
  EXPECT_EQ(TraceMask(), 0u);
  LogMessage(kWarning, "not logged");
  CloseConversionLog();
  EXPECT_TRUE(testenv::Exists(logPath_));
  EXPECT_EQ(ReadText(logPath_), "");

  // A log file that cannot be created means no log, not a failure.
  ASSERT_TRUE(platform::WriteRegistryString(RegistryRoot::LocalMachine, "Software\\Quillmark", "DebugFile",
                                            dir_ / "no/such/folder/x.log"));
  ASSERT_TRUE(platform::WriteRegistryString(RegistryRoot::LocalMachine, "Software\\Quillmark", "DebugRepackager", "4"));
  OpenConversionLog();
  EXPECT_FALSE(IsConversionLogOpen());
}
