#include "core/guid_source.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/test_env.h"

using namespace core;
using platform::RegistryRoot;

namespace {
constexpr const char* kKey = "Software\\Quillmark\\Brightvale";
}

TEST(GuidSource, FakeModeNumbersFromOne) {
  testenv::RegistrySandbox registry;
  ASSERT_TRUE(platform::WriteRegistryString(RegistryRoot::LocalMachine, kKey, "FakeGuids", "1"));
  ResetGuidSourceForTesting();
  EXPECT_TRUE(UsingFakeGuids());
  EXPECT_EQ(CreateGuidString(), "{AAAAAAAA-0000-0000-0000-000000000001}");
  EXPECT_EQ(CreateGuidString(), "{AAAAAAAA-0000-0000-0000-000000000002}");
  // The mode is decided once: a later change of the registry does not switch it.
  ASSERT_TRUE(platform::DeleteRegistryValue(RegistryRoot::LocalMachine, kKey, "FakeGuids"));
  EXPECT_EQ(CreateGuidString(), "{AAAAAAAA-0000-0000-0000-000000000003}");
  ResetGuidSourceForTesting();
}

TEST(GuidSource, RealGuidsUnlessTheValueIsExactlyOne) {
  testenv::RegistrySandbox registry;
  for (const char* value : {"", "0", "1 ", "true", "01"}) {
    ASSERT_TRUE(platform::WriteRegistryString(RegistryRoot::LocalMachine, kKey, "FakeGuids", value));
    ResetGuidSourceForTesting();
    EXPECT_FALSE(UsingFakeGuids()) << value;
    const std::string guid = CreateGuidString();
    EXPECT_EQ(guid.size(), 38u);
    EXPECT_NE(guid.substr(0, 9), "{AAAAAAAA");
  }
  ResetGuidSourceForTesting();
  testenv::ScopedEnv missing("FERNCLIP_REGISTRY", registry.dir() / "none.reg");
  EXPECT_FALSE(UsingFakeGuids());
  ResetGuidSourceForTesting();
}
