// Places of custom actions in a sequence table: how the in-memory list finds a free number.
// The places an action gets in the project are checked in script_calls_test.
#include <gtest/gtest.h>

#include "project/sequence_list.h"

TEST(SequenceList, SkipsNumbersThatAreTaken) {
  project::SequenceList list;
  list.Add("Anchor", 10);
  list.Add("Taken11", 11);
  list.Add("Taken12", 12);
  list.Add("Taken14", 14);
  EXPECT_EQ(list.NumberAfter("anchor"), 13);
  list.Add("New13", 13);
  EXPECT_EQ(list.NumberAfter("Anchor"), 15);
  // A number in the middle of a long run that was walked before.
  for (int i = 0; i < 1000; ++i) list.Add("Run" + std::to_string(i), list.NumberAfter("Anchor"));
  EXPECT_EQ(list.NumberAfter("Anchor"), 1015);
  EXPECT_EQ(list.NumberAfter("Taken12"), 1015);
  // A second row for an action keeps the first one's number.
  list.Add("Anchor", 5000);
  int number = 0;
  ASSERT_TRUE(list.Find("Anchor", &number));
  EXPECT_EQ(number, 10);
  // An anchor at -1 (a disabled action) gives 0.
  list.Add("Disabled", -1);
  EXPECT_EQ(list.NumberAfter("Disabled"), 0);
}
