#include "project_context.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace qv::engine {

std::string ProjectContext::NewPlaceholderKey(const Table& table, const char* prefix) {
  for (;;) {
    std::string key = std::string(prefix) + std::to_string(++placeholderCounter);
    if (!table.Find({TextCell(key)}, nullptr)) return key;
  }
}

HResult VariantToCell(const ColumnDef& column, const Variant& value, Cell* cell) {
  switch (value.kind) {
    case Variant::Kind::Error:
      return Failed(value.error) ? value.error : kBadValue;
    case Variant::Kind::Empty:
      *cell = Cell{};
      break;
    case Variant::Kind::Integer:
      if (column.IsInteger()) *cell = value.integer;
      else if (column.kind == ColumnKind::String) *cell = std::to_string(value.integer);
      else return kBadValue;
      break;
    case Variant::Kind::Text:
      if (value.text.empty()) {
        *cell = Cell{};
      } else if (column.IsInteger()) {
        int32_t number = 0;
        const char* begin = value.text.data();
        const char* end = begin + value.text.size();
        auto [stop, ec] = std::from_chars(begin, end, number);
        if (ec != std::errc() || stop != end) return kBadValue;
        *cell = number;
      } else if (column.kind == ColumnKind::Binary) {
        std::ifstream in(value.text, std::ios::binary);
        if (!in) return kFileNotFound;
        std::ostringstream data;
        data << in.rdbuf();
        *cell = data.str();
      } else {
        *cell = value.text;
      }
      break;
  }
  return CheckCell(column, *cell);
}

Variant CellToVariant(const Cell& cell) {
  if (const std::optional<int32_t> number = cell.Number()) return Variant::Int(*number);
  if (cell.IsText()) return Variant::Text(std::string(cell.Text()));
  return Variant::Null();
}

}  // namespace qv::engine
