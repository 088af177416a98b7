#include "string_pool.h"

#include <algorithm>
#include <functional>

namespace qv::engine {

namespace {

constexpr uint32_t kLongReferencesFlag = 0x80000000u;

uint16_t Get16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
}

void Append16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}

}  // namespace

bool ParseStringPool(const std::string& pool, const std::string& data, StringPool* out) {
  out->strings.assign(1, std::string());
  out->codePage = 0;
  out->referenceSize = 2;
  if (pool.size() < 4) return pool.empty() && data.empty();
  uint32_t header = Get16(pool, 0) | (static_cast<uint32_t>(Get16(pool, 2)) << 16);
  out->referenceSize = header & kLongReferencesFlag ? 3 : 2;
  out->codePage = static_cast<int>(header & ~kLongReferencesFlag);
  CodePageDecoder decoder(out->codePage);
  if (!decoder.Valid()) return false;

  const size_t entries = pool.size() / 4;
  out->strings.reserve(entries);
  size_t offset = 0;
  for (size_t i = 1; i < entries; ++i) {
    uint32_t length = Get16(pool, 4 * i);
    const uint32_t references = Get16(pool, 4 * i + 2);
    if (length == 0 && references != 0) {
      // A string of 64 KB or more: this entry holds 0 and the reference count, the next one the
      // length's low and high halves; both stand for one string number.
      if (++i >= entries) return false;
      length = Get16(pool, 4 * i) | (static_cast<uint32_t>(Get16(pool, 4 * i + 2)) << 16);
    }
    if (length > data.size() - offset) return false;
    out->strings.push_back(decoder.Decode(std::string_view(data).substr(offset, length)));
    offset += length;
  }
  return true;
}

StringPoolBuilder::StringPoolBuilder(int codePage) : codePage_(codePage), encoder_(codePage), slots_(1024, 0) {}

size_t StringPoolBuilder::SlotOf(std::string_view text, uint32_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    uint64_t entry = slots_[slot];
    if (entry == 0) return slot;
    if (static_cast<uint32_t>(entry >> 32) == hash && texts_[static_cast<uint32_t>(entry) - 1] == text) return slot;
  }
}

void StringPoolBuilder::Grow() {
  std::vector<uint64_t> old(slots_.size() * 2, 0);
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (uint64_t entry : old) {
    if (entry == 0) continue;
    size_t slot = static_cast<uint32_t>(entry >> 32) & mask;
    while (slots_[slot] != 0) slot = (slot + 1) & mask;
    slots_[slot] = entry;
  }
}

bool StringPoolBuilder::Intern(const std::string& utf8, uint32_t* id) {
  if (utf8.empty()) {
    *id = 0;
    return true;
  }
  const auto hash = static_cast<uint32_t>(std::hash<std::string_view>()(utf8));
  size_t slot = SlotOf(utf8, hash);
  if (slots_[slot] != 0) {
    *id = static_cast<uint32_t>(slots_[slot]);
    ++references_[*id - 1];
    return true;
  }
  std::string encoded;
  if (!encoder_.Encode(utf8, &encoded)) return false;
  texts_.push_back(utf8);
  encoded_.push_back(std::move(encoded));
  references_.push_back(1);
  *id = static_cast<uint32_t>(encoded_.size());
  slots_[slot] = (static_cast<uint64_t>(hash) << 32) | *id;
  if (encoded_.size() * 2 > slots_.size()) Grow();  // at most half full
  return true;
}

void StringPoolBuilder::Write(std::string* pool, std::string* data) const {
  uint32_t header = static_cast<uint32_t>(codePage_);
  if (ReferenceSize() == 3) header |= kLongReferencesFlag;
  pool->clear();
  data->clear();
  pool->reserve(4 * (encoded_.size() + 1));
  Append16(*pool, header & 0xFFFF);
  Append16(*pool, header >> 16);
  for (size_t i = 0; i < encoded_.size(); ++i) {
    const std::string& text = encoded_[i];
    // The count is 16 bits wide; a string used more often keeps the largest count.
    uint32_t references = std::min<uint32_t>(references_[i], 0xFFFF);
    if (text.size() > 0xFFFF) {
      // Two entries for one string number: (0, reference count), then (length low, length high),
      // as the installer reads them.
      Append16(*pool, 0);
      Append16(*pool, references);
      Append16(*pool, static_cast<uint32_t>(text.size() & 0xFFFF));
      Append16(*pool, static_cast<uint32_t>(text.size() >> 16));
    } else {
      Append16(*pool, static_cast<uint32_t>(text.size()));
      Append16(*pool, references);
    }
    data->append(text);
  }
}

}  // namespace qv::engine
