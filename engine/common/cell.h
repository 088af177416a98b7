// One cell of a row: null, a 32-bit integer, or bytes (UTF-8 text, or the data of a binary
// column, which may hold any byte).
//
// A large project holds millions of cells, so a cell takes 16 bytes: texts of up to 15 bytes
// lie in the cell itself, longer ones in one allocation of exactly their size, with their
// address and length in the cell. The last byte says which: the length of a text held inline
// (0 to 15), or one of the tags below.
#pragma once

#include <bit>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace qv::engine {

class Cell {
 public:
  static constexpr size_t kInlineCapacity = 15;

  Cell() noexcept { bytes_[kTagAt] = kNullTag; }
  Cell(int32_t number) noexcept {
    std::memcpy(bytes_, &number, sizeof number);
    bytes_[kTagAt] = kNumberTag;
  }
  // Wider or unsigned integers and floating point would change their value on the way in.
  template <typename T>
    requires(std::is_arithmetic_v<T> && !std::same_as<T, int32_t> &&
             !(std::integral<T> && sizeof(T) < sizeof(int32_t)))
  Cell(T) = delete;
  // A text cell, also when text is empty (TextCell makes empty text null).
  Cell(std::string_view text);
  Cell(const std::string& text) : Cell(std::string_view(text)) {}
  Cell(const char* text) : Cell(std::string_view(text)) {}
  Cell(const Cell& other);
  Cell(Cell&& other) noexcept {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
    other.bytes_[kTagAt] = kNullTag;
  }
  Cell& operator=(const Cell& other);
  Cell& operator=(Cell&& other) noexcept {
    if (this != &other) {
      Release();
      std::memcpy(bytes_, other.bytes_, sizeof bytes_);
      other.bytes_[kTagAt] = kNullTag;
    }
    return *this;
  }
  ~Cell() { Release(); }

  bool IsNull() const { return Tag() == kNullTag; }
  bool IsNumber() const { return Tag() == kNumberTag; }
  bool IsText() const { return Tag() <= kHeapTag; }
  std::optional<int32_t> Number() const {
    if (!IsNumber()) return std::nullopt;
    int32_t number;
    std::memcpy(&number, bytes_, sizeof number);
    return number;
  }
  // The bytes of a text cell; empty for null and for numbers.
  std::string_view Text() const {
    const uint8_t tag = Tag();
    if (tag <= kInlineCapacity) return std::string_view(bytes_, tag);
    if (tag == kHeapTag) return std::string_view(HeapData(), HeapSize());
    return {};
  }

  // Negative, 0 or positive as a is before, equal to or after b: null, then numbers by value,
  // then texts by their bytes (unsigned), in one comparison instead of two.
  friend int CompareCells(const Cell& a, const Cell& b) {
    const int rankA = a.Rank(), rankB = b.Rank();
    if (rankA != rankB) return rankA < rankB ? -1 : 1;
    if (rankA == kTextRank) return a.Text().compare(b.Text());
    if (rankA == kNumberRank) {
      const int32_t x = *a.Number(), y = *b.Number();
      return x < y ? -1 : x > y ? 1 : 0;
    }
    return 0;
  }
  friend bool operator==(const Cell& a, const Cell& b) { return CompareCells(a, b) == 0; }

 private:
  static constexpr size_t kTagAt = 15;
  static constexpr uint8_t kHeapTag = 16;
  static constexpr uint8_t kNumberTag = 0x40;
  static constexpr uint8_t kNullTag = 0x80;
  static constexpr int kNullRank = 0, kNumberRank = 1, kTextRank = 2;
  // A held text's length is kept in the 7 bytes after its address, below the tag.
  static constexpr uint64_t kHeapSizeMask = (uint64_t{1} << 56) - 1;
  static_assert(std::endian::native == std::endian::little, "the tag is the top byte of the heap length's word");

  uint8_t Tag() const { return static_cast<uint8_t>(bytes_[kTagAt]); }
  int Rank() const {
    const uint8_t tag = Tag();
    return tag == kNullTag ? kNullRank : tag == kNumberTag ? kNumberRank : kTextRank;
  }
  char* HeapData() const {
    char* data;
    std::memcpy(&data, bytes_, sizeof data);
    return data;
  }
  size_t HeapSize() const {
    uint64_t word;
    std::memcpy(&word, bytes_ + 8, sizeof word);
    return static_cast<size_t>(word & kHeapSizeMask);
  }
  void Release() noexcept {
    if (Tag() == kHeapTag) delete[] HeapData();
  }
  void Assign(std::string_view text);

  alignas(8) char bytes_[16];
};

static_assert(sizeof(Cell) == 16);

inline bool IsNull(const Cell& c) { return c.IsNull(); }
// The text of a text cell; empty for null (and for integers).
inline std::string_view CellText(const Cell& c) { return c.Text(); }

}  // namespace qv::engine
