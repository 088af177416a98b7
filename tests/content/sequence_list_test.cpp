// Places of custom actions in a sequence table.
#include <gtest/gtest.h>

#include "content/sequence_list.h"

namespace {

content::SequenceList StandardList() {
  content::SequenceList list;
  list.Add("ValidateProductID", 700);
  list.Add("CostInitialize", 800);
  list.Add("FileCost", 900);
  list.Add("CostFinalize", 1000);
  list.Add("InstallValidate", 1400);
  return list;
}

TEST(SequenceList, PlacesActionsAfterTheirAnchor) {
  content::SequenceList list = StandardList();
  EXPECT_EQ(list.NumberAfter("CostFinalize"), 1001);
  // Names are compared without regard to case.
  EXPECT_EQ(list.NumberAfter("costfinalize"), 1001);
  EXPECT_TRUE(list.Contains("COSTFINALIZE"));

  // Two actions anchored on the same action get consecutive free numbers, in order.
  list.Add("First", list.NumberAfter("CostFinalize"));
  list.Add("Second", list.NumberAfter("CostFinalize"));
  int first = 0, second = 0;
  ASSERT_TRUE(list.Find("First", &first));
  ASSERT_TRUE(list.Find("Second", &second));
  EXPECT_EQ(first, 1001);
  EXPECT_EQ(second, 1002);
  // An action anchored on the last one added follows it.
  EXPECT_EQ(list.NumberAfter("Second"), 1003);
}

TEST(SequenceList, SkipsNumbersThatAreTaken) {
  content::SequenceList list;
  list.Add("Anchor", 10);
  list.Add("Taken11", 11);
  list.Add("Taken12", 12);
  list.Add("Taken14", 14);
  EXPECT_EQ(list.NumberAfter("Anchor"), 13);
  list.Add("New13", 13);
  EXPECT_EQ(list.NumberAfter("Anchor"), 15);
  EXPECT_EQ(list.NumberAfter("Taken14"), 15);
  // A number in the middle of a long run that was walked before.
  for (int i = 0; i < 1000; ++i) list.Add("Run" + std::to_string(i), list.NumberAfter("Anchor"));
  EXPECT_EQ(list.NumberAfter("Anchor"), 1015);
  EXPECT_EQ(list.NumberAfter("Taken12"), 1015);
}

TEST(SequenceList, MissingAnchorGives700AndNoActionIsListedTwice) {
  content::SequenceList list = StandardList();
  EXPECT_EQ(list.NumberAfter("NoSuchAction"), 700);
  content::SequenceList empty;
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.NumberAfter("ValidateProductID"), 700);

  // A second row for an action keeps the first one's number.
  list.Add("CostFinalize", 5000);
  int number = 0;
  ASSERT_TRUE(list.Find("CostFinalize", &number));
  EXPECT_EQ(number, 1000);
  EXPECT_EQ(list.NumberAfter("InstallValidate"), 1401);
}

TEST(SequenceList, AnchorAtMinusOneGivesZero) {
  content::SequenceList list;
  list.Add("Disabled", -1);
  EXPECT_EQ(list.NumberAfter("Disabled"), 0);
}

}  // namespace
