// The string pool of an MSI-format database: every text of every table is stored once in the
// stream "_StringData" (in the database code page, one after another) and described in
// "_StringPool" (length and reference count per string, the code page in front); tables refer
// to strings by number, 0 being null.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <ostream>
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

// Numbers the texts of a database being saved and writes the two streams. It refers to the
// texts where they are (in the cells, the table and column names) instead of copying them, so
// that a large database's texts are not held twice while it is saved.
class StringPoolBuilder {
 public:
  explicit StringPoolBuilder(int codePage);
  bool Valid() const { return encoder_.Valid(); }
  // The number of the text (0 for empty text), counting one more reference to it; false when
  // the code page cannot hold the text, the string data would reach 4 GB, or the strings would be
  // more than 3-byte references can number (16,777,215). The builder refers to the text: it
  // must stay unchanged until the streams are written.
  bool Intern(std::string_view utf8, uint32_t* id) { return Intern(utf8, true, std::nullopt, id); }
  // As Intern, for a text that does not outlive the call: a new one is copied.
  bool InternCopy(std::string_view utf8, uint32_t* id) { return Intern(utf8, false, std::nullopt, id); }
  // Ahead of interning a text: its hash, with its look-up slot already asked of memory (for
  // ASCII text; other text is hashed in the code page when it is interned). Saving a large
  // table waits on that memory more than on anything else, and slots asked for a few rows
  // ahead arrive together instead of one after another.
  std::optional<uint32_t> HashAhead(std::string_view utf8) const;
  // As Intern, with what HashAhead gave for the same text (the slots may have moved since:
  // the hash stays right).
  bool Intern(std::string_view utf8, std::optional<uint32_t> hashAhead, uint32_t* id) {
    return Intern(utf8, true, hashAhead, id);
  }
  // One more reference to a text numbered already (a cell that repeats the one above it).
  void AddReference(uint32_t id) {
    if (references_[id - 1] < 0xFFFF) ++references_[id - 1];  // a string used more often keeps the largest count
  }
  size_t Count() const { return texts_.size(); }
  // More than 65,535 strings need references of 3 bytes.
  int ReferenceSize() const { return Count() > 0xFFFF ? 3 : 2; }
  // Frees what only Intern needs, once every text is numbered.
  void EndInterning();
  // The stream "_StringPool", and its size.
  void WritePoolStream(std::ostream& out) const;
  uint64_t PoolStreamSize() const;
  // The stream "_StringData" (every text in the code page, one after another), and its size.
  void WriteDataStream(std::ostream& out) const;
  uint64_t DataStreamSize() const { return dataSize_; }

 private:
  bool Intern(std::string_view utf8, bool lasting, std::optional<uint32_t> hashAhead, uint32_t* id);
  // The text of a number, in the code page.
  std::string_view Text(uint32_t id) const { return texts_[id - 1]; }
  // The slot of text in slots_: where its number is, or the empty slot where it belongs.
  size_t SlotOf(std::string_view encoded, uint32_t hash) const;
  void Grow();

  int codePage_;
  CodePageEncoder encoder_;
  std::string encoded_;  // the text being interned, when it is not ASCII
  // Open addressing over the numbers (0 is empty): one flat array instead of a node per
  // string, which keeps saving large tables fast and small. A slot holds the number in its low
  // 24 bits (3-byte references reach no further) and the top 8 bits of the text's hash above
  // them, so that a probe passes most other texts without reading anything else.
  std::vector<uint32_t> slots_;
  // By number - 1, in the code page. Deques grow without copying or a doubled reserve.
  std::deque<std::string_view> texts_;
  std::deque<uint32_t> hashes_;  // of the texts, by number - 1, while they are numbered
  std::deque<uint16_t> references_;
  // The texts the builder holds itself: those converted to the code page, and copies.
  std::deque<std::string> owned_;
  uint64_t dataSize_ = 0;
  size_t longTexts_ = 0;  // texts of 64 KB or more, which take two pool entries
};

}  // namespace qv::engine
