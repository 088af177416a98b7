// The string pool of an MSI-format database: every text of every table is stored once in the
// stream "_StringData" (in the database code page, one after another) and described in
// "_StringPool" (length and reference count per string, the code page in front); tables refer
// to strings by number, 0 being null.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "code_page.h"

namespace qv::engine {

struct StringPool {
  int codePage = 0;
  int referenceSize = 2;             // bytes of a string reference in the tables: 2, or 3
  std::vector<std::string> strings;  // UTF-8 by number; [0] and unused numbers are empty
};

// Reads the two streams; false when they contradict each other (lengths beyond the data).
bool ParseStringPool(const std::string& pool, const std::string& data, StringPool* out);

class StringPoolBuilder {
 public:
  explicit StringPoolBuilder(int codePage);
  bool Valid() const { return encoder_.Valid(); }
  // The number of the text (0 for empty text), counting one more reference to it; false when
  // the code page cannot hold the text.
  bool Intern(const std::string& utf8, uint32_t* id);
  size_t Count() const { return encoded_.size(); }
  // More than 65,535 strings need references of 3 bytes.
  int ReferenceSize() const { return Count() > 0xFFFF ? 3 : 2; }
  void Write(std::string* pool, std::string* data) const;

 private:
  // The slot of text in slots_: where its number is, or the empty slot where it belongs.
  size_t SlotOf(std::string_view text, uint32_t hash) const;
  void Grow();

  int codePage_;
  CodePageEncoder encoder_;
  // Open addressing over the numbers (hash in the high half, number in the low; 0 is empty):
  // one flat array instead of a node per string, which keeps saving large tables fast.
  std::vector<uint64_t> slots_;
  std::vector<std::string> texts_;    // UTF-8, by number - 1
  std::vector<std::string> encoded_;  // in the code page, by number - 1
  std::vector<uint32_t> references_;
};

}  // namespace qv::engine
