#include "cell.h"

#include <stdexcept>

namespace qv::engine {

Cell::Cell(std::string_view text) { Assign(text); }

Cell::Cell(const Cell& other) {
  if (other.Tag() == kHeapTag) {
    Assign(other.Text());
  } else {
    std::memcpy(bytes_, other.bytes_, sizeof bytes_);
  }
}

Cell& Cell::operator=(const Cell& other) {
  if (this != &other) {
    // Made first, so that a failed allocation leaves this cell as it was.
    Cell copy(other);
    *this = std::move(copy);
  }
  return *this;
}

void Cell::Assign(std::string_view text) {
  if (text.size() <= kInlineCapacity) {
    std::memcpy(bytes_, text.data(), text.size());
    bytes_[kTagAt] = static_cast<char>(text.size());
    return;
  }
  if (text.size() > kHeapSizeMask) throw std::length_error("cell text too long");
  char* data = new char[text.size()];
  std::memcpy(data, text.data(), text.size());
  const uint64_t word = uint64_t{text.size()} | (uint64_t{kHeapTag} << 56);
  std::memcpy(bytes_, &data, sizeof data);
  std::memcpy(bytes_ + 8, &word, sizeof word);
}

}  // namespace qv::engine
