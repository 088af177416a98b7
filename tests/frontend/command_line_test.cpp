#include "frontend/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "frontend/guid_mode.h"
#include "frontend/run_flags.h"
#include "platform/command_line.h"
#include "platform/registry.h"
#include "support/test_env.h"

using namespace frontend;
using platform::RegistryRoot;

namespace {

class CommandLineTest : public ::testing::Test {
 protected:
  void SetUp() override { Flags() = RunFlags(); }
  void TearDown() override { Flags() = RunFlags(); }

  bool Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "fernclip");
    arguments_ = RunArguments();
    return ParseArguments(static_cast<int>(args.size()), args.data(), &arguments_);
  }
  std::optional<std::string> FakeGuidsValue() {
    return platform::ReadRegistryString(RegistryRoot::LocalMachine, "Software\\Quillmark\\Brightvale", "FakeGuids");
  }

  testenv::RegistrySandbox registry_;
  RunArguments arguments_;
};

}  // namespace

TEST(SwitchArguments, SlashIsASwitchOnlyWithoutFurtherSlashes) {
  EXPECT_TRUE(platform::IsSwitchArgument("/vpxonly"));
  EXPECT_TRUE(platform::IsSwitchArgument("/bogus"));
  EXPECT_TRUE(platform::IsSwitchArgument("-fakeguids"));
  EXPECT_TRUE(platform::IsSwitchArgument("-a/b"));
  EXPECT_FALSE(platform::IsSwitchArgument("/home/me/cap/app.inc"));
  EXPECT_FALSE(platform::IsSwitchArgument("app.inc"));
  EXPECT_FALSE(platform::IsSwitchArgument(""));
}

TEST_F(CommandLineTest, CountsOfArguments) {
  EXPECT_FALSE(Parse({}));
  EXPECT_TRUE(Parse({"app.inc"}));
  EXPECT_TRUE(Parse({"app.inc", "out.msi", "/fakeguids"}));
  // The usage shows five tokens, but a fourth argument is too many.
  EXPECT_FALSE(Parse({"app.inc", "out.msi", "/fakeguids", "/vpxonly"}));
}

TEST_F(CommandLineTest, PositionsAndSwitches) {
  ASSERT_TRUE(Parse({"/home/me/cap/app.inc", "/tmp/out.msi", "-VPXONLY"}));
  EXPECT_EQ(arguments_.input, "/home/me/cap/app.inc");
  EXPECT_EQ(arguments_.output, "/tmp/out.msi");
  EXPECT_FALSE(arguments_.build);
  EXPECT_FALSE(Flags().suppressTemplate);

  ASSERT_TRUE(Parse({"app.inc"}));
  EXPECT_TRUE(arguments_.build);
  EXPECT_EQ(arguments_.output, "");

  // A switch in first place leaves the input empty; a third plain argument is ignored.
  ASSERT_TRUE(Parse({"/NoTemplate", "app.inc", "extra"}));
  EXPECT_EQ(arguments_.input, "");
  EXPECT_EQ(arguments_.output, "app.inc");
  EXPECT_TRUE(Flags().suppressTemplate);

  EXPECT_FALSE(Parse({"app.inc", "/bogus"}));
  EXPECT_FALSE(Parse({"app.inc", "-"}));
}

TEST_F(CommandLineTest, FakeGuidsIsPersistedAndCleanedUp) {
  ReadPersistedGuidMode();
  EXPECT_FALSE(Flags().fakeGuidMode);
  ASSERT_TRUE(Parse({"/fakeguids", "app.inc"}));
  EXPECT_TRUE(Flags().fakeGuidMode);
  EXPECT_EQ(FakeGuidsValue(), "1");
  CleanUpGuidMode();
  EXPECT_FALSE(FakeGuidsValue());

  // A value that was there before the run stays.
  ASSERT_TRUE(platform::WriteRegistryString(RegistryRoot::LocalMachine, "Software\\Quillmark\\Brightvale",
                                            "FakeGuids", "1"));
  Flags() = RunFlags();
  ReadPersistedGuidMode();
  EXPECT_TRUE(Flags().fakeGuidModeWasOn);
  ASSERT_TRUE(Parse({"app.inc", "-fakeguids"}));
  CleanUpGuidMode();
  EXPECT_EQ(FakeGuidsValue(), "1");
}

TEST_F(CommandLineTest, UnwritableRegistryMeansRealGuids) {
  // A registry file that is not REGEDIT4 is never overwritten: the mode stays off.
  testenv::WriteText(registry_.file(), "not a registry file\n");
  ReadPersistedGuidMode();
  ASSERT_TRUE(Parse({"app.inc", "/fakeguids"}));
  EXPECT_FALSE(Flags().fakeGuidMode);
  CleanUpGuidMode();
  EXPECT_EQ(testenv::ReadText(registry_.file()), "not a registry file\n");
}

TEST(Usage, BannerAndUsageTexts) {
  testing::internal::CaptureStdout();
  PrintUsage();
  const std::string output = testing::internal::GetCapturedStdout();
  EXPECT_EQ(output.rfind("Fernclip - Quillmark Repackager Conversion Utility\n"
                         "Usage: fernclip <inputfile> <outputfile> [/fakeguids] [/vpxonly] [/notemplate]\n\n",
                         0),
            0u);
  EXPECT_NE(output.find("(WARNING: the resulting .msi is NOT a valid, installable package).\n\n"), std::string::npos);
  const std::string tail = "file is ignored and the default template (QvProjBlankTpl.vpx) is used instead.\n\n";
  ASSERT_GT(output.size(), tail.size());
  EXPECT_EQ(output.substr(output.size() - tail.size()), tail);
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 17);
}
