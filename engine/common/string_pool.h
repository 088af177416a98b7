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
  // the code page cannot hold the text, or the string data would reach 4 GB.
  bool Intern(std::string_view utf8, uint32_t* id);
  size_t Count() const { return ends_.size(); }
  // More than 65,535 strings need references of 3 bytes.
  int ReferenceSize() const { return Count() > 0xFFFF ? 3 : 2; }
  // The stream "_StringPool".
  std::string PoolStream() const;
  // The stream "_StringData"; the builder holds no text afterwards.
  std::string TakeDataStream() { return std::move(data_); }

 private:
  // The text of a number, in the code page.
  std::string_view Text(uint32_t id) const;
  // The slot of text in slots_: where its number is, or the empty slot where it belongs.
  size_t SlotOf(std::string_view encoded) const;
  void Grow();

  int codePage_;
  CodePageEncoder encoder_;
  std::string encoded_;  // the text being interned, when it is not ASCII
  // Open addressing over the numbers (0 is empty): one flat array instead of a node per
  // string, which keeps saving large tables fast and small.
  std::vector<uint32_t> slots_;
  std::string data_;             // every text in the code page, one after another
  std::vector<uint32_t> ends_;   // where each text ends in data_, by number - 1
  std::vector<uint16_t> references_;  // by number - 1
};

}  // namespace qv::engine
