#include "module_configuration.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

namespace builder {
namespace {

using qv::engine::Cell;
using qv::engine::CellText;
using qv::engine::Row;
using qv::engine::RowId;
using qv::engine::Table;
using qv::engine::TextCell;

constexpr int32_t kFormatBitfield = 3;

struct Item {
  int32_t format = 0;
  std::string type;  // for a bit field, the mask of the bits it sets
  std::string value;
};

std::optional<int32_t> ParseInteger(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (*end || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return int32_t(value);
}

// The fields of a ModuleSubstitution Row value: the key columns' values separated by ';', a
// backslash taking the next character literally.
std::vector<std::string> KeyFields(const std::string& text) {
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size())
      fields.back() += text[++i];
    else if (text[i] == ';')
      fields.emplace_back();
    else
      fields.back() += text[i];
  }
  return fields;
}

// value with each "[=Item]" replaced by the item's value; false when an item is unknown.
bool Substitute(const std::string& value, const std::map<std::string, Item>& items, std::string* out,
                const Item** only) {
  *only = nullptr;
  size_t at = 0;
  while (at < value.size()) {
    const size_t open = value.find("[=", at);
    const size_t close = open == std::string::npos ? std::string::npos : value.find(']', open);
    if (close == std::string::npos) {
      *out += value.substr(at);
      break;
    }
    auto item = items.find(value.substr(open + 2, close - open - 2));
    if (item == items.end()) return false;
    if (open == 0 && close + 1 == value.size()) *only = &item->second;
    *out += value.substr(at, open - at) + item->second.value;
    at = close + 1;
  }
  return true;
}

}  // namespace

bool ApplyModuleConfiguration(qv::engine::Database& module, std::string* error) {
  const Table* substitutions = module.FindTable("ModuleSubstitution");
  if (!substitutions || substitutions->RowCount() == 0) return true;
  std::map<std::string, Item> items;
  if (const Table* configuration = module.FindTable("ModuleConfiguration")) {
    const int name = configuration->ColumnIndex("Name"), format = configuration->ColumnIndex("Format"),
              type = configuration->ColumnIndex("Type"), value = configuration->ColumnIndex("DefaultValue");
    if (name >= 0 && format >= 0 && type >= 0 && value >= 0)
      for (const auto& [key, id] : configuration->KeyOrder()) {
        const Row& row = *configuration->Get(id);
        const std::optional<int32_t> number = row[size_t(format)].Number();
        items[std::string(CellText(row[size_t(name)]))] = {number.value_or(0), std::string(CellText(row[size_t(type)])),
                                                           std::string(CellText(row[size_t(value)]))};
      }
  }
  const int tableColumn = substitutions->ColumnIndex("Table"), rowColumn = substitutions->ColumnIndex("Row"),
            columnColumn = substitutions->ColumnIndex("Column"), valueColumn = substitutions->ColumnIndex("Value");
  if (tableColumn < 0 || rowColumn < 0 || columnColumn < 0 || valueColumn < 0) {
    *error = "its table 'ModuleSubstitution' lacks the columns Table, Row, Column and Value";
    return false;
  }
  for (const auto& [key, id] : substitutions->KeyOrder()) {
    const Row& substitution = *substitutions->Get(id);
    const std::string tableName(CellText(substitution[size_t(tableColumn)]));
    const std::string rowText(CellText(substitution[size_t(rowColumn)]));
    const std::string columnName(CellText(substitution[size_t(columnColumn)]));
    const std::string where = "its substitution of table '" + tableName + "', row '" + rowText + "', column '" +
                              columnName + "'";
    Table* table = module.FindTable(tableName);
    const int column = table ? table->ColumnIndex(columnName) : -1;
    const std::vector<std::string> fields = KeyFields(rowText);
    if (column < 0 || fields.size() != table->KeyColumnCount()) {
      *error = where + " names no such column or key";
      return false;
    }
    qv::engine::Key rowKey(fields.size());
    for (size_t c = 0; c < fields.size(); ++c) {
      if (!table->Columns()[c].IsInteger())
        rowKey[c] = TextCell(fields[c]);
      else if (const std::optional<int32_t> number = ParseInteger(fields[c]))
        rowKey[c] = *number;
    }
    RowId target = 0;
    if (!table->Find(rowKey, &target)) {
      *error = where + " names a row the module does not have";
      return false;
    }
    std::string text;
    const Item* only = nullptr;
    if (!Substitute(std::string(CellText(substitution[size_t(valueColumn)])), items, &text, &only)) {
      *error = where + " names a configuration item the module does not have";
      return false;
    }
    Cell cell = TextCell(text);
    if (table->Columns()[size_t(column)].IsInteger()) {
      auto number = ParseInteger(text);
      if (number && only && only->format == kFormatBitfield) {
        // A bit field sets only the bits of its mask.
        const int32_t mask = ParseInteger(only->type).value_or(0);
        const std::optional<int32_t> old = (*table->Get(target))[size_t(column)].Number();
        number = ((old ? *old : 0) & ~mask) | (*number & mask);
      }
      if (!number && !text.empty()) {
        *error = where + " gives '" + text + "', which is no number";
        return false;
      }
      cell = number ? Cell{*number} : Cell{};
    }
    table->SetCell(target, size_t(column), std::move(cell));
  }
  return true;
}

}  // namespace builder
