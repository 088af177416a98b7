// The progress plan: its entries for the switches, and the announcements of NextStep.
#include <gtest/gtest.h>

#include <vector>

#include "core/cancellation.h"
#include "core/messages.h"
#include "core/repackager_exception.h"
#include "frontend/progress_plan.h"

namespace {

using frontend::PlanSwitches;
using frontend::ProgressPlan;

std::vector<core::MessageRecord>& Records() {
  static std::vector<core::MessageRecord> records;
  return records;
}
void Collect(const core::MessageRecord& record) { Records().push_back(record); }

class ProgressPlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Records().clear();
    core::ClearCancel();
    core::SetMessageCallback(&Collect);
  }
  void TearDown() override {
    core::ClearCancel();
    core::SetMessageCallback(nullptr);
  }
};

std::vector<int> Ids(const ProgressPlan& plan) {
  std::vector<int> ids;
  for (const auto& entry : plan.Entries()) ids.push_back(entry.id);
  return ids;
}

TEST_F(ProgressPlanTest, DefaultSwitchesGiveTheFullPlanWithItsPercents) {
  ProgressPlan plan;
  plan.Build(PlanSwitches{});
  // The defaults: services and ODBC off, the build on.
  std::vector<int> expected = {23000, 23003, 23004, 23005, 23022, 23006, 23007, 23020, 23008,
                               23023, 23009, 23010, 23024, 23014, 23015, 23012, 23019, 23013,
                               23016, 23036, 23017, 23030, 21002};
  EXPECT_EQ(Ids(plan), expected);
  std::vector<uint32_t> percents;
  for (const auto& entry : plan.Entries()) percents.push_back(entry.percent);
  EXPECT_EQ(percents, (std::vector<uint32_t>{0, 5, 10, 15, 19, 20, 25, 30, 30, 34, 37, 40, 34, 50,
                                             55, 60, 70, 75, 80, 84, 85, 85, 100}));

  // Building the plan announces its first step.
  ASSERT_EQ(Records().size(), 1u);
  EXPECT_EQ(Records()[0].type, core::kStep);
  EXPECT_EQ(Records()[0].text, "Starting conversion");
  EXPECT_EQ(Records()[0].percent, 0u);
  EXPECT_EQ(plan.CurrentId(), 23000);
}

TEST_F(ProgressPlanTest, SwitchesDecideTheEntries) {
  PlanSwitches all;
  all.serviceControlEvents = all.odbcMapping = true;
  all.buildMSI = false;
  ProgressPlan plan;
  plan.Build(all);
  EXPECT_TRUE(plan.Contains(23011));
  EXPECT_TRUE(plan.Contains(23018));
  EXPECT_TRUE(plan.Contains(23035));
  EXPECT_FALSE(plan.Contains(23030));

  PlanSwitches none;
  none.nir = none.mapping = none.ini = none.useMergeModules = none.registryTable = none.shortcuts = false;
  none.serviceControlEvents = true;  // without "Mapping" no mapping entry is planned
  plan.Build(none);
  EXPECT_EQ(Ids(plan), (std::vector<int>{23000, 23003, 23005, 23013, 23036, 23030, 21002}));

  PlanSwitches noCom;
  noCom.comMapping = false;
  plan.Build(noCom);
  for (int id : {23022, 23006, 23007, 23020, 23008, 23023, 23009, 23010, 23024}) EXPECT_FALSE(plan.Contains(id)) << id;
  EXPECT_TRUE(plan.Contains(23014));
}

TEST_F(ProgressPlanTest, StepsLeftOutDoNotShiftTheAnnouncementsAndCancellationStops) {
  PlanSwitches switches;
  switches.registryTable = false;  // 23036 stays in the plan but its step does not run
  switches.buildMSI = false;
  ProgressPlan plan;
  plan.Build(switches);
  plan.NextStep(23003);
  plan.NextStep(23017);  // shortcuts, right after skipping everything between
  plan.NextStep(23035);
  std::vector<std::string> texts;
  std::vector<uint32_t> percents;
  for (const auto& record : Records()) {
    EXPECT_EQ(record.type, core::kStep);
    texts.push_back(record.text);
    percents.push_back(record.percent);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"Starting conversion", "Reading repackager output file",
                                             "Creating shortcuts and writing to the Shortcut table",
                                             "Saving project file"}));
  EXPECT_EQ(percents, (std::vector<uint32_t>{0, 5, 85, 95}));

  // An entry behind the current one, or not in the plan, announces nothing.
  Records().clear();
  plan.NextStep(23003);
  plan.NextStep(23030);
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(plan.CurrentId(), 23035);

  // A cancel request stops at the next step, before its announcement.
  core::RequestCancel();
  try {
    plan.NextStep(21002);
    FAIL() << "no exception";
  } catch (const core::repackager_exception& e) {
    EXPECT_STREQ(e.what(), "Cancelled by user action.");
  }
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(plan.CurrentId(), 23035);
}

}  // namespace
