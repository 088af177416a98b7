// How the capture's language and capture method are told and named.
#include <gtest/gtest.h>

#include "frontend/capture_description.h"

namespace {

TEST(CaptureDescription, LanguageAnnouncementNamesTheLanguage) {
  EXPECT_EQ(frontend::LanguageAnnouncement("1033"), "Applying language 'English (code 1033)' to the project");
  EXPECT_EQ(frontend::LanguageAnnouncement("1031"), "Applying language 'German (code 1031)' to the project");
  // Only the low 16 bits count: 66569 is 0x10409, whose language is 0x0409 (1033).
  EXPECT_EQ(frontend::DeclaredLanguageId("66569"), 1033);
  EXPECT_EQ(frontend::LanguageAnnouncement("66569"), "Applying language 'English (code 66569)' to the project");
  // A language without a known name is told by its code.
  EXPECT_EQ(frontend::LanguageAnnouncement("12345"), "Applying language 'code 12345' to the project");
  EXPECT_EQ(frontend::LanguageAnnouncement("abc"), "Applying language 'code abc' to the project");
}

TEST(CaptureDescription, CaptureMethodNames) {
  EXPECT_EQ(frontend::CaptureMethodName(0), "Snapshot");
  EXPECT_EQ(frontend::CaptureMethodName(1), "InstallMonitor");
  EXPECT_EQ(frontend::CaptureMethodName(2), "Unknown");
  EXPECT_EQ(frontend::CaptureMethodName(3), "QvPro Logging");
  EXPECT_EQ(frontend::CaptureMethodName(-1), "Unknown");
}

}  // namespace
