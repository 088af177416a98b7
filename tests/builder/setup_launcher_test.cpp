// The package name slot of the setup.exe launcher.
#include <gtest/gtest.h>

#include "setup_launcher.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace {

std::string Utf16(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

TEST(SetupLauncher, WritesThePackageNameIntoItsSlotOnly) {
  const std::string original = testenv::ReadText(std::string(FERNCLIP_BUILD_DIR) + "/setup-launcher.exe");
  ASSERT_GT(original.size(), 1000u);
  std::string patched = original;
  std::string error;
  ASSERT_TRUE(builder::PatchLauncher(&patched, "My App.msi", &error)) << error;
  EXPECT_EQ(patched.size(), original.size());
  const size_t at = patched.find(Utf16("My App.msi") + std::string(2, '\0'));
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(patched.find(Utf16("<<FERNCLIP")), std::string::npos);
  size_t differing = 0;
  for (size_t i = 0; i < original.size(); ++i) differing += original[i] != patched[i];
  EXPECT_LE(differing, 520u);  // nothing outside the 260-character slot changed

  // Patching twice is refused (the slot is gone), as are names that do not fit.
  EXPECT_FALSE(builder::PatchLauncher(&patched, "Other.msi", &error));
  std::string again = original;
  EXPECT_FALSE(builder::PatchLauncher(&again, std::string(300, 'x') + ".msi", &error));
  EXPECT_NE(error.find("does not fit"), std::string::npos);
  EXPECT_EQ(again, original);
}

}  // namespace
