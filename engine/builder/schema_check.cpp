#include "schema_check.h"

#include <map>
#include <optional>
#include <unordered_set>

namespace builder {
namespace {

using qv::engine::Cell;
using qv::engine::CellText;
using qv::engine::ColumnDef;
using qv::engine::Database;
using qv::engine::Row;
using qv::engine::Table;

struct ColumnRule {
  bool nullable = true;
  std::optional<int64_t> minValue, maxValue;
  std::vector<std::string> keyTables;  // KeyTable, split at ';'
  int keyColumn = 0;                   // 1-based
};

std::vector<std::string> SplitSemicolons(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = text.find(';', start);
    const std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!part.empty()) parts.push_back(part);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

std::string ValueText(const Cell& cell) {
  if (const auto* number = std::get_if<int32_t>(&cell)) return std::to_string(*number);
  return CellText(cell);
}

std::optional<int64_t> IntegerOf(const Cell& cell) {
  if (const auto* number = std::get_if<int32_t>(&cell)) return *number;
  const std::string& text = CellText(cell);
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (end && *end == '\0') return value;
  return std::nullopt;
}

std::map<std::string, std::map<std::string, ColumnRule>> ReadRules(const Table& validation) {
  std::map<std::string, std::map<std::string, ColumnRule>> rules;
  const int table = validation.ColumnIndex("Table"), column = validation.ColumnIndex("Column"),
            nullable = validation.ColumnIndex("Nullable"), minValue = validation.ColumnIndex("MinValue"),
            maxValue = validation.ColumnIndex("MaxValue"), keyTable = validation.ColumnIndex("KeyTable"),
            keyColumn = validation.ColumnIndex("KeyColumn");
  if (table < 0 || column < 0) return rules;
  for (const auto& [key, id] : validation.KeyOrder()) {
    const Row& row = *validation.Get(id);
    ColumnRule rule;
    if (nullable >= 0) rule.nullable = CellText(row[size_t(nullable)]) != "N";
    if (minValue >= 0) rule.minValue = IntegerOf(row[size_t(minValue)]);
    if (maxValue >= 0) rule.maxValue = IntegerOf(row[size_t(maxValue)]);
    if (keyTable >= 0) rule.keyTables = SplitSemicolons(CellText(row[size_t(keyTable)]));
    if (keyColumn >= 0) rule.keyColumn = int(IntegerOf(row[size_t(keyColumn)]).value_or(0));
    rules[CellText(row[size_t(table)])][CellText(row[size_t(column)])] = rule;
  }
  return rules;
}

// The values of one column of a table, for reference look-ups; built once per (table, column).
class KeyIndex {
 public:
  explicit KeyIndex(const Database& db) : db_(db) {}
  bool Contains(const std::string& tableName, int column, const std::string& value) {
    const Table* table = db_.FindTable(tableName);
    if (!table || column < 1 || size_t(column) > table->Columns().size()) return false;
    auto& values = cache_[{tableName, column}];
    if (!values) {
      values.emplace();
      for (const auto& [key, id] : table->KeyOrder()) values->insert(ValueText((*table->Get(id))[size_t(column - 1)]));
    }
    return values->count(value) != 0;
  }

 private:
  const Database& db_;
  std::map<std::pair<std::string, int>, std::optional<std::unordered_set<std::string>>> cache_;
};

std::string Where(const Table& table, const Row& row, const std::string& column) {
  std::string key;
  for (size_t c = 0; c < table.KeyColumnCount(); ++c) key += (c ? ";" : "") + ValueText(row[c]);
  return "Table '" + table.Name() + "', row '" + key + "', column '" + column + "'";
}

}  // namespace

std::vector<std::string> CheckAgainstValidation(const Database& db) {
  std::vector<std::string> problems;
  std::map<std::string, std::map<std::string, ColumnRule>> rules;
  if (const Table* validation = db.FindTable("_Validation")) rules = ReadRules(*validation);
  const std::map<std::string, ColumnRule> noRules;
  KeyIndex keys(db);

  for (const Table* table : db.Tables()) {
    auto found = rules.find(table->Name());
    const auto& tableRules = found == rules.end() ? noRules : found->second;
    const auto& columns = table->Columns();
    for (const auto& [key, id] : table->KeyOrder()) {
      const Row& row = *table->Get(id);
      for (size_t c = 0; c < columns.size() && c < row.size(); ++c) {
        const ColumnDef& column = columns[c];
        const Cell& value = row[c];
        auto rule = tableRules.find(column.name);
        if (qv::engine::IsNull(value)) {
          if ((rule != tableRules.end() && !rule->second.nullable) || !column.nullable)
            problems.push_back(Where(*table, row, column.name) + ": a value is required.");
          continue;
        }
        if (column.IsText() && column.length > 0 && qv::engine::Utf8Length(CellText(value)) > size_t(column.length))
          problems.push_back(Where(*table, row, column.name) + ": the value is longer than " +
                             std::to_string(column.length) + " characters.");
        if (rule == tableRules.end()) continue;
        const ColumnRule& r = rule->second;
        if (column.IsInteger()) {
          const auto number = IntegerOf(value);
          if (number && ((r.minValue && *number < *r.minValue) || (r.maxValue && *number > *r.maxValue)))
            problems.push_back(Where(*table, row, column.name) + ": the value " + ValueText(value) + " is outside " +
                               (r.minValue ? std::to_string(*r.minValue) : "") + ".." +
                               (r.maxValue ? std::to_string(*r.maxValue) : "") + ".");
        }
        if (!r.keyTables.empty() && r.keyColumn > 0) {
          bool found = false;
          for (const std::string& keyTable : r.keyTables)
            if ((found = keys.Contains(keyTable, r.keyColumn, ValueText(value)))) break;
          if (!found) {
            std::string targets;
            for (const std::string& keyTable : r.keyTables) targets += (targets.empty() ? "" : "' or '") + keyTable;
            problems.push_back(Where(*table, row, column.name) + ": '" + ValueText(value) +
                               "' refers to no row of table '" + targets + "'.");
          }
        }
      }
    }
  }
  return problems;
}

}  // namespace builder
