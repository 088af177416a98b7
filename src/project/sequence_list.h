// The rows of one sequence table held in memory: action names (compared without regard to case)
// and their sequence numbers, so that custom actions find their places without re-reading the
// table.
#pragma once

#include <map>
#include <string>

#include "platform/text.h"

namespace project {

class SequenceList {
 public:
  // Records a row. A second row for the same action is ignored.
  void Add(const std::string& action, int sequence);
  bool Contains(const std::string& action) const;
  // The number of an action; false when the action is not in the list.
  bool Find(const std::string& action, int* sequence) const;
  // The first number after the anchor's that no row holds; 700 when the anchor is not there.
  int NumberAfter(const std::string& anchor) const;
  bool Empty() const { return actions_.empty(); }

 private:
  // The first number at or after n that no row holds.
  int FirstFreeFrom(int n) const;

  std::map<std::string, int, platform::LessNoCase> actions_;
  // Numbers held by rows, each to the number after the run of held numbers it begins, as far as
  // known; runs are shortened as they are walked, so that many actions anchored on one action
  // do not walk the same run again and again.
  mutable std::map<int, int> nextCandidate_;
};

}  // namespace project
