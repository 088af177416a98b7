#include "typed_items.h"

#include <cctype>

namespace qv::engine {

Table* RequireTable(const ContextPtr& context, const char* name) {
  return context && context->db ? context->db->FindTable(name) : nullptr;
}

HResult SetColumn(Table& table, RowId id, const char* column, Cell value) {
  int index = table.ColumnIndex(column);
  if (index < 0) return kNotFound;
  HResult hr = CheckCell(table.Columns()[index], value);
  if (Failed(hr)) return hr;
  return table.SetCell(id, static_cast<size_t>(index), std::move(value));
}

HResult GetTextColumn(const Table& table, RowId id, const char* column, std::string* text) {
  if (!text) return kPointer;
  int index = table.ColumnIndex(column);
  const Row* row = table.Get(id);
  if (index < 0 || !row) return kNotFound;
  const Cell& cell = (*row)[index];
  if (const std::optional<int32_t> number = cell.Number()) *text = std::to_string(*number);
  else *text = CellText(cell);
  return kOk;
}

HResult UpsertByKey(Table& table, const Key& key, const char* column, Cell value) {
  int index = table.ColumnIndex(column);
  if (index < 0) return kNotFound;
  HResult hr = CheckCell(table.Columns()[index], value);
  if (Failed(hr)) return hr;
  RowId id;
  if (table.Find(key, &id)) return table.SetCell(id, static_cast<size_t>(index), std::move(value));
  Row row(table.Columns().size());
  for (size_t c = 0; c < key.size(); ++c) row[c] = key[c];
  row[index] = std::move(value);
  // Other non-nullable integer columns start at 0.
  for (size_t c = key.size(); c < row.size(); ++c)
    if (IsNull(row[c]) && !table.Columns()[c].nullable && table.Columns()[c].IsInteger()) row[c] = int32_t{0};
  return table.Insert(std::move(row));
}

bool IsRegistryGuid(const std::string& text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (size_t i = 1; i < 37; ++i) {
    bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

}  // namespace qv::engine
