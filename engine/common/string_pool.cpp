#include "string_pool.h"

#include <algorithm>
#include <functional>
#if defined(_MSC_VER)
#include <xmmintrin.h>
#endif

namespace qv::engine {

namespace {

constexpr uint32_t kLongReferencesFlag = 0x80000000u;
// A slot of the look-up array: the number below, the top bits of the text's hash above.
constexpr uint32_t kNumberBits = 24;
constexpr uint32_t kMaxNumber = (uint32_t{1} << kNumberBits) - 1;  // the largest 3-byte reference
constexpr uint32_t kTagMask = ~kMaxNumber;

// Asks for the memory at address without waiting for it.
void RequestFromMemory(const void* address) {
#if defined(_MSC_VER)
  _mm_prefetch(static_cast<const char*>(address), _MM_HINT_T0);
#else
  __builtin_prefetch(address);
#endif
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

uint32_t HashOf(std::string_view encoded) { return static_cast<uint32_t>(std::hash<std::string_view>()(encoded)); }

uint16_t Get16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
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

size_t StringPoolBuilder::SlotOf(std::string_view encoded, uint32_t hash) const {
  const size_t mask = slots_.size() - 1;
  const uint32_t tag = hash & kTagMask;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const uint32_t entry = slots_[slot];
    // The tags are compared first: a text lies elsewhere in memory, among the rows.
    if (entry == 0 || ((entry & kTagMask) == tag && Text(entry & kMaxNumber) == encoded)) return slot;
  }
}

void StringPoolBuilder::Grow() {
  // The numbers are placed again by their kept hashes: the old array is freed before the new
  // one is made, so that the two are never held at once, and no text is read again.
  const size_t size = slots_.size() * 2;
  std::vector<uint32_t>().swap(slots_);
  slots_.assign(size, 0);
  const size_t mask = size - 1;
  constexpr size_t kAhead = 16;  // the slots of the numbers to come are asked for meanwhile
  for (uint32_t id = 1; id <= texts_.size(); ++id) {
    if (id + kAhead <= hashes_.size()) RequestFromMemory(&slots_[hashes_[id - 1 + kAhead] & mask]);
    const uint32_t hash = hashes_[id - 1];
    size_t slot = hash & mask;
    while (slots_[slot] != 0) slot = (slot + 1) & mask;
    slots_[slot] = (hash & kTagMask) | id;
  }
}

std::optional<uint32_t> StringPoolBuilder::HashAhead(std::string_view utf8) const {
  if (!IsAscii(utf8)) return std::nullopt;
  const uint32_t hash = HashOf(utf8);
  RequestFromMemory(&slots_[hash & (slots_.size() - 1)]);
  return hash;
}

bool StringPoolBuilder::Intern(std::string_view utf8, bool lasting, std::optional<uint32_t> hashAhead, uint32_t* id) {
  if (utf8.empty()) {
    *id = 0;
    return true;
  }
  // Texts are compared in the code page, where they are stored; ASCII is the same in both.
  std::string_view encoded = utf8;
  bool converted = false;
  if (!hashAhead && !IsAscii(utf8)) {
    if (!encoder_.Encode(utf8, &encoded_)) return false;
    encoded = encoded_;
    converted = true;
  }
  const uint32_t hash = hashAhead ? *hashAhead : HashOf(encoded);
  const size_t slot = SlotOf(encoded, hash);
  if (slots_[slot] != 0) {
    *id = slots_[slot] & kMaxNumber;
    AddReference(*id);
    return true;
  }
  if (encoded.size() > UINT32_MAX - dataSize_ || texts_.size() >= kMaxNumber) return false;
  if (converted || !lasting) encoded = owned_.emplace_back(encoded);
  texts_.push_back(encoded);
  hashes_.push_back(hash);
  references_.push_back(1);
  dataSize_ += encoded.size();
  longTexts_ += encoded.size() > 0xFFFF;
  *id = static_cast<uint32_t>(texts_.size());
  slots_[slot] = (hash & kTagMask) | *id;
  if (texts_.size() * 2 > slots_.size()) Grow();  // at most half full
  return true;
}

void StringPoolBuilder::EndInterning() {
  std::vector<uint32_t>().swap(slots_);
  std::deque<uint32_t>().swap(hashes_);
  std::string().swap(encoded_);
}

namespace {

// Collects small writes into blocks, so that a stream of many short texts is written fast.
class BlockWriter {
 public:
  explicit BlockWriter(std::ostream& out) : out_(out) { block_.reserve(kBlockSize); }
  ~BlockWriter() { Flush(); }
  void Append(std::string_view bytes) {
    if (block_.size() + bytes.size() > kBlockSize) Flush();
    if (bytes.size() > kBlockSize) {
      out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      return;
    }
    block_.append(bytes);
  }
  void Append16(uint32_t v) {
    const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
    Append(std::string_view(bytes, 2));
  }

 private:
  static constexpr size_t kBlockSize = 64 * 1024;
  void Flush() {
    out_.write(block_.data(), static_cast<std::streamsize>(block_.size()));
    block_.clear();
  }
  std::ostream& out_;
  std::string block_;
};

}  // namespace

uint64_t StringPoolBuilder::PoolStreamSize() const { return 4 * (uint64_t{texts_.size()} + longTexts_ + 1); }

void StringPoolBuilder::WritePoolStream(std::ostream& out) const {
  uint32_t header = static_cast<uint32_t>(codePage_);
  if (ReferenceSize() == 3) header |= kLongReferencesFlag;
  BlockWriter pool(out);
  pool.Append16(header & 0xFFFF);
  pool.Append16(header >> 16);
  for (uint32_t id = 1; id <= texts_.size(); ++id) {
    const size_t length = Text(id).size();
    const uint32_t references = references_[id - 1];
    if (length > 0xFFFF) {
      // Two entries for one string number: (0, reference count), then (length low, length high),
      // as the installer reads them.
      pool.Append16(0);
      pool.Append16(references);
      pool.Append16(static_cast<uint32_t>(length & 0xFFFF));
      pool.Append16(static_cast<uint32_t>(length >> 16));
    } else {
      pool.Append16(static_cast<uint32_t>(length));
      pool.Append16(references);
    }
  }
}

void StringPoolBuilder::WriteDataStream(std::ostream& out) const {
  BlockWriter data(out);
  for (const std::string_view text : texts_) data.Append(text);
}

}  // namespace qv::engine
