#include "project/sequence_list.h"

#include <vector>

namespace project {

namespace {
constexpr int kNumberWithoutAnchor = 700;
}

void SequenceList::Add(const std::string& action, int sequence) {
  if (!actions_.emplace(action, sequence).second) return;
  nextCandidate_.emplace(sequence, sequence + 1);
}

bool SequenceList::Contains(const std::string& action) const { return actions_.count(action) != 0; }

bool SequenceList::Find(const std::string& action, int* sequence) const {
  auto found = actions_.find(action);
  if (found == actions_.end()) return false;
  *sequence = found->second;
  return true;
}

int SequenceList::FirstFreeFrom(int n) const {
  std::vector<int> walked;
  for (auto held = nextCandidate_.find(n); held != nextCandidate_.end();
       held = nextCandidate_.find(n)) {
    walked.push_back(n);
    n = held->second;
  }
  for (int number : walked) nextCandidate_[number] = n;
  return n;
}

int SequenceList::NumberAfter(const std::string& anchor) const {
  int anchorNumber = 0;
  // Without its anchor an action goes to the first free number from 700 on (ValidateProductID
  // has 700 in the standard sequences).
  if (!Find(anchor, &anchorNumber)) return FirstFreeFrom(kNumberWithoutAnchor);
  return FirstFreeFrom(anchorNumber + 1);
}

}  // namespace project
