#include "schema_check.h"

#include <map>
#include <optional>
#include <set>
#include <unordered_set>

namespace builder {
namespace {

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

std::optional<int64_t> ParseInteger(const qv::Variant& value) {
  if (value.kind == qv::Variant::Kind::Integer) return value.integer;
  if (value.kind != qv::Variant::Kind::Text || value.text.empty()) return std::nullopt;
  try {
    size_t used = 0;
    const long long v = std::stoll(value.text, &used);
    if (used == value.text.size()) return v;
  } catch (...) {
  }
  return std::nullopt;
}

int ColumnIndex(const PackageTable& table, const std::string& name) {
  for (size_t i = 0; i < table.columns.size(); ++i)
    if (table.columns[i].name == name) return int(i);
  return -1;
}

size_t Utf8Length(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

// Rules by table and column, read from the _Validation table.
std::map<std::string, std::map<std::string, ColumnRule>> ReadRules(const PackageTable& validation) {
  std::map<std::string, std::map<std::string, ColumnRule>> rules;
  const int table = ColumnIndex(validation, "Table"), column = ColumnIndex(validation, "Column"),
            nullable = ColumnIndex(validation, "Nullable"), minValue = ColumnIndex(validation, "MinValue"),
            maxValue = ColumnIndex(validation, "MaxValue"), keyTable = ColumnIndex(validation, "KeyTable"),
            keyColumn = ColumnIndex(validation, "KeyColumn");
  if (table < 0 || column < 0) return rules;
  for (const auto& row : validation.rows) {
    ColumnRule rule;
    if (nullable >= 0) rule.nullable = ValueText(row[nullable]) != "N";
    if (minValue >= 0) rule.minValue = ParseInteger(row[minValue]);
    if (maxValue >= 0) rule.maxValue = ParseInteger(row[maxValue]);
    if (keyTable >= 0) rule.keyTables = SplitSemicolons(ValueText(row[keyTable]));
    if (keyColumn >= 0) rule.keyColumn = int(ParseInteger(row[keyColumn]).value_or(0));
    rules[ValueText(row[table])][ValueText(row[column])] = rule;
  }
  return rules;
}

// The values of one column of a table, for reference look-ups; built once per (table, column).
class KeyIndex {
 public:
  explicit KeyIndex(const std::vector<PackageTable>& tables) {
    for (const PackageTable& t : tables) byName_[t.name] = &t;
  }
  bool TableExists(const std::string& name) const { return byName_.count(name) != 0; }
  bool Contains(const std::string& table, int column, const std::string& value) {
    auto it = byName_.find(table);
    if (it == byName_.end() || column < 1 || size_t(column) > it->second->columns.size()) return false;
    auto& values = cache_[{table, column}];
    if (!values) {
      values.emplace();
      for (const auto& row : it->second->rows) values->insert(ValueText(row[column - 1]));
    }
    return values->count(value) != 0;
  }

 private:
  std::map<std::string, const PackageTable*> byName_;
  std::map<std::pair<std::string, int>, std::optional<std::unordered_set<std::string>>> cache_;
};

std::string Where(const PackageTable& table, const std::vector<qv::Variant>& row, const std::string& column) {
  return "Table '" + table.name + "', row '" + RowKeyText(table, row) + "', column '" + column + "'";
}

}  // namespace

std::vector<std::string> CheckAgainstValidation(const std::vector<PackageTable>& tables) {
  std::vector<std::string> problems;
  const PackageTable* validation = nullptr;
  for (const PackageTable& t : tables)
    if (t.name == "_Validation") validation = &t;
  if (!validation) return problems;
  const auto rules = ReadRules(*validation);
  KeyIndex keys(tables);

  for (const PackageTable& table : tables) {
    auto tableRules = rules.find(table.name);
    if (tableRules == rules.end()) continue;
    for (const auto& row : table.rows) {
      for (size_t c = 0; c < table.columns.size() && c < row.size(); ++c) {
        const ColumnDefinition& column = table.columns[c];
        const qv::Variant& value = row[c];
        auto rule = tableRules->second.find(column.name);
        const bool isNull = value.IsNull();
        if (isNull) {
          if ((rule != tableRules->second.end() && !rule->second.nullable) || !column.nullable)
            problems.push_back(Where(table, row, column.name) + ": a value is required.");
          continue;
        }
        if (column.isString && column.width > 0 && value.kind == qv::Variant::Kind::Text &&
            Utf8Length(value.text) > size_t(column.width)) {
          problems.push_back(Where(table, row, column.name) + ": the value is longer than " + std::to_string(column.width) + " characters.");
        }
        if (rule == tableRules->second.end()) continue;
        const ColumnRule& r = rule->second;
        if (!column.isString) {
          const auto number = ParseInteger(value);
          if (number && ((r.minValue && *number < *r.minValue) || (r.maxValue && *number > *r.maxValue)))
            problems.push_back(Where(table, row, column.name) + ": the value " + ValueText(value) + " is outside " +
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
            problems.push_back(Where(table, row, column.name) + ": '" + ValueText(value) + "' refers to no row of table '" + targets + "'.");
          }
        }
      }
    }
  }
  return problems;
}

}  // namespace builder
