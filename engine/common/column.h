// Column definitions and cell values of the in-memory database.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cell.h"

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

// Empty text is stored as null, as the Windows Installer does.
inline Cell TextCell(std::string_view text) {
  if (text.empty()) return Cell{};
  return Cell{text};
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
