#include "column.h"

#include <charconv>
#include <cctype>

namespace qv::engine {

namespace {
// Bits of a column type in the _Columns table.
constexpr int kTypeLength = 0x00FF;
constexpr int kTypeValid = 0x0100;
constexpr int kTypeLocalizable = 0x0200;
constexpr int kTypeShortOrString = 0x0400;
constexpr int kTypeString = 0x0800;
constexpr int kTypeNullable = 0x1000;
constexpr int kTypeKey = 0x2000;
}  // namespace

std::string IdtType(const ColumnDef& c) {
  char letter = 's';
  std::string size;
  switch (c.kind) {
    case ColumnKind::String:
      letter = c.localizable ? 'l' : 's';
      size = std::to_string(c.length);
      break;
    case ColumnKind::Int16:
      letter = 'i';
      size = "2";
      break;
    case ColumnKind::Int32:
      letter = 'i';
      size = "4";
      break;
    case ColumnKind::Binary:
      letter = 'v';
      size = "0";
      break;
  }
  if (c.nullable) letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  return std::string(1, letter) + size;
}

bool ParseIdtType(std::string_view type, ColumnDef* column) {
  if (type.size() < 2) return false;
  char letter = type[0];
  int size = 0;
  auto [end, ec] = std::from_chars(type.data() + 1, type.data() + type.size(), size);
  if (ec != std::errc() || end != type.data() + type.size() || size < 0 || size > 255) return false;
  column->nullable = std::isupper(static_cast<unsigned char>(letter)) != 0;
  column->localizable = false;
  column->length = 0;
  switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 's':
      column->kind = ColumnKind::String;
      column->length = size;
      return true;
    case 'l':
      column->kind = ColumnKind::String;
      column->length = size;
      column->localizable = true;
      return true;
    case 'i':
      if (size != 2 && size != 4) return false;
      column->kind = size == 2 ? ColumnKind::Int16 : ColumnKind::Int32;
      return true;
    case 'v':
      column->kind = ColumnKind::Binary;
      return size == 0;
    default:
      return false;
  }
}

int ColumnTypeBits(const ColumnDef& c) {
  int bits = kTypeValid;
  switch (c.kind) {
    case ColumnKind::String:
      bits |= kTypeString | kTypeShortOrString | (c.length & kTypeLength);
      break;
    case ColumnKind::Int16:
      bits |= kTypeShortOrString | 2;
      break;
    case ColumnKind::Int32:
      bits |= 4;
      break;
    case ColumnKind::Binary:
      bits |= kTypeString | kTypeNullable;
      break;
  }
  if (c.nullable) bits |= kTypeNullable;
  if (c.localizable) bits |= kTypeLocalizable;
  if (c.primaryKey) bits |= kTypeKey;
  return bits;
}

bool ColumnFromTypeBits(int bits, ColumnDef* c) {
  c->nullable = (bits & kTypeNullable) != 0;
  c->primaryKey = (bits & kTypeKey) != 0;
  c->localizable = (bits & kTypeLocalizable) != 0;
  c->length = 0;
  if (bits & kTypeString) {
    if (bits & kTypeShortOrString) {
      c->kind = ColumnKind::String;
      c->length = bits & kTypeLength;
    } else {
      c->kind = ColumnKind::Binary;
      c->nullable = true;
    }
    return true;
  }
  int size = bits & kTypeLength;
  if (size == 2 || size == 1) {
    c->kind = ColumnKind::Int16;
    return true;
  }
  if (size == 4) {
    c->kind = ColumnKind::Int32;
    return true;
  }
  return false;
}

size_t Utf8Length(std::string_view text) {
  size_t n = 0;
  for (unsigned char ch : text)
    if ((ch & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace qv::engine
