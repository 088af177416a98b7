#include "capture/install_condition.h"

#include "support/conversion_fixture.h"

using capture::BuildInstallCondition;

namespace {

class ConditionTest : public test_support::ConversionTest {
 protected:
  std::string Condition(const std::string& line) { return BuildInstallCondition(line, extra_); }
  std::string extra_ = "previous";
};

TEST_F(ConditionTest, CoarseTermsAppearOnce) {
  LoadOptions({{"OSGranular", "N"}});
  EXPECT_EQ(Condition("InstallFileList('x'|80|0)"), "(Version9X)");  // 0x10 + 0x40
  EXPECT_EQ(Condition("InstallFileList('x'|65552|1033;1031)"),
            "(Version9X OR VersionNT) AND (UserLanguageID=1033)");
  EXPECT_EQ(Condition("InstallFileList('x'|0|1031)"), "(UserLanguageID=1031)");
  // Bits outside the six known ones, a language of 0 or one without a number add nothing.
  EXPECT_EQ(Condition("InstallFileList('x'|1|0)"), "");
  EXPECT_EQ(Condition("InstallFileList('x'|0|English)"), "");
  EXPECT_EQ(Condition("InstallFileList('x'|0|;1033)"), "");
}

TEST_F(ConditionTest, GranularTermsFollowTheOptionWhenItChanges) {
  LoadOptions({{"OSGranular", "Y"}});
  EXPECT_EQ(Condition("InstallFileList('x'|80|0)"), "(Version9X=400 OR Version9X=410)");
  EXPECT_EQ(capture::OsConditionTable().at(0x400000), "VersionNT=501");
  EXPECT_EQ(Condition("InstallFileList('x'|5242880|0)"), "(VersionNT=500 OR VersionNT=501)");
  LoadOptions({{"OSGranular", "N"}});
  EXPECT_EQ(Condition("InstallFileList('x'|80|0)"), "(Version9X)");
  EXPECT_EQ(capture::OsConditionTable().size(), 6u);
}

TEST_F(ConditionTest, FieldsAndTheFileListExtra) {
  LoadOptions({});
  EXPECT_EQ(Condition("InstallFileList('x'|16|1031|shared)"), "(Version9X) AND (UserLanguageID=1031)");
  EXPECT_EQ(extra_, "shared");
  // No '|' at all: no condition, the previous extra stays.
  EXPECT_EQ(Condition("InstallFileList('y')"), "");
  EXPECT_EQ(extra_, "shared");
  // A list with fields but without a third '|' has no extra; a missing ')' leaves texts empty.
  EXPECT_EQ(Condition("InstallFileList('z'|16|1033)"), "(Version9X) AND (UserLanguageID=1033)");
  EXPECT_EQ(extra_, "");
  EXPECT_EQ(Condition("InstallFileList('z'|16|1033"), "(Version9X)");
  EXPECT_EQ(Condition("InstallFileList('z'|16|1033|tail"), "(Version9X) AND (UserLanguageID=1033)");
  EXPECT_EQ(extra_, "");
  EXPECT_EQ(Condition("InstallFileList('z'|65536)"), "(VersionNT)");
}

}  // namespace
