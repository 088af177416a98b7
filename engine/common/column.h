// Column definitions and cell values of the in-memory database.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace qv::engine {

enum class ColumnKind { String, Int16, Int32, Binary };

struct ColumnDef {
  std::string name;
  ColumnKind kind = ColumnKind::String;
  int length = 0;  // strings: maximum characters, 0 for unlimited
  bool nullable = false;
  bool localizable = false;
  bool primaryKey = false;

  bool IsInteger() const { return kind == ColumnKind::Int16 || kind == ColumnKind::Int32; }
  bool IsText() const { return kind == ColumnKind::String; }
};

// A cell: null, a 32-bit integer, or bytes (UTF-8 text, or the data of a binary column).
// Empty text is stored as null, as the Windows Installer does.
using Cell = std::variant<std::monostate, int32_t, std::string>;

inline bool IsNull(const Cell& c) { return std::holds_alternative<std::monostate>(c); }
inline Cell TextCell(std::string text) {
  if (text.empty()) return Cell{};
  return Cell{std::move(text)};
}
// Negative, 0 or positive as a is before, equal to or after b, in the order of the variant's own
// operator< (null, then numbers, then texts), in one comparison instead of two.
inline int CompareCells(const Cell& a, const Cell& b) {
  if (a.index() != b.index()) return a.index() < b.index() ? -1 : 1;
  if (const auto* text = std::get_if<std::string>(&a)) return text->compare(*std::get_if<std::string>(&b));
  if (const auto* number = std::get_if<int32_t>(&a)) {
    const int32_t other = *std::get_if<int32_t>(&b);
    return *number < other ? -1 : *number > other ? 1 : 0;
  }
  return 0;
}

// The text of a text cell; empty for null (and for integers).
inline const std::string& CellText(const Cell& c) {
  static const std::string kEmpty;
  const std::string* s = std::get_if<std::string>(&c);
  return s ? *s : kEmpty;
}

// The IDT form of a column type: "s72", "S0", "l255", "L0", "i2", "I4", "v0" ("V0" nullable).
std::string IdtType(const ColumnDef& column);
// Parses an IDT type into column (kind, length, nullable, localizable); false when malformed.
bool ParseIdtType(std::string_view type, ColumnDef* column);
// The column type bits of the _Columns table.
int ColumnTypeBits(const ColumnDef& column);
bool ColumnFromTypeBits(int bits, ColumnDef* column);

// Number of Unicode characters in UTF-8 text (the unit of a string column's length).
size_t Utf8Length(std::string_view text);

}  // namespace qv::engine
