// How the command line's words are taken apart. What a rejected line, the switches and the
// persisted GUID mode do for the user is checked on the program itself (e2e/console_test).
#include "frontend/command_line.h"

#include <gtest/gtest.h>

#include <vector>

#include "frontend/run_flags.h"
#include "platform/command_line.h"
#include "support/test_env.h"

using namespace frontend;

TEST(CommandLine, PositionsAndSwitches) {
  testenv::RegistrySandbox registry;
  RunArguments arguments;
  auto parse = [&](std::vector<const char*> args) {
    Flags() = RunFlags();
    args.insert(args.begin(), "fernclip");
    arguments = RunArguments();
    return ParseArguments(static_cast<int>(args.size()), args.data(), &arguments);
  };
  // An absolute POSIX path is no switch; a word of a slash and no further slash is.
  ASSERT_TRUE(parse({"/home/me/cap/app.inc", "/tmp/out.msi", "-VPXONLY"}));
  EXPECT_EQ(arguments.input, "/home/me/cap/app.inc");
  EXPECT_EQ(arguments.output, "/tmp/out.msi");
  EXPECT_FALSE(arguments.build);
  EXPECT_FALSE(Flags().suppressTemplate);

  ASSERT_TRUE(parse({"app.inc"}));
  EXPECT_TRUE(arguments.build);
  EXPECT_EQ(arguments.output, "");

  // A switch in first place leaves the input empty; a third plain argument is ignored.
  ASSERT_TRUE(parse({"/NoTemplate", "app.inc", "extra"}));
  EXPECT_EQ(arguments.input, "");
  EXPECT_EQ(arguments.output, "app.inc");
  EXPECT_TRUE(Flags().suppressTemplate);

  EXPECT_FALSE(parse({"app.inc", "-"}));
  EXPECT_FALSE(parse({"app.inc", "-a/b"}));
  EXPECT_FALSE(platform::IsSwitchArgument(""));
  Flags() = RunFlags();
}
