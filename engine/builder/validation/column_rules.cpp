#include "column_rules.h"

#include <cstdlib>
#include <memory>
#include <sstream>

#include "validation.h"

namespace validation {

extern const char* const kReferenceSchemaText;  // generated from the template's table sources

namespace {

using qv::engine::Cell;
using qv::engine::CellText;
using qv::engine::Row;
using qv::engine::Table;

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

std::optional<int64_t> IntegerOf(const Cell& cell) {
  if (const std::optional<int32_t> number = cell.Number()) return *number;
  const std::string text(CellText(cell));
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (end && *end == '\0') return value;
  return std::nullopt;
}

void ReadRules(const Table& validation, bool fromReference, std::map<std::string, std::map<std::string, ColumnRule>>* rules) {
  const int table = validation.ColumnIndex("Table"), column = validation.ColumnIndex("Column"),
            nullable = validation.ColumnIndex("Nullable"), minValue = validation.ColumnIndex("MinValue"),
            maxValue = validation.ColumnIndex("MaxValue"), keyTable = validation.ColumnIndex("KeyTable"),
            keyColumn = validation.ColumnIndex("KeyColumn"), category = validation.ColumnIndex("Category"),
            set = validation.ColumnIndex("Set");
  if (table < 0 || column < 0) return;
  auto text = [](const Row& row, int index) { return index < 0 ? std::string() : std::string(CellText(row[size_t(index)])); };
  for (const auto& [key, id] : validation.KeyOrder()) {
    const Row& row = *validation.Get(id);
    ColumnRule rule;
    rule.nullable = text(row, nullable) != "N";
    if (minValue >= 0) rule.minValue = IntegerOf(row[size_t(minValue)]);
    if (maxValue >= 0) rule.maxValue = IntegerOf(row[size_t(maxValue)]);
    rule.keyTables = SplitSemicolons(text(row, keyTable));
    if (keyColumn >= 0) rule.keyColumn = int(IntegerOf(row[size_t(keyColumn)]).value_or(0));
    rule.category = text(row, category);
    rule.set = SplitSemicolons(text(row, set));
    rule.fromReference = fromReference;
    (*rules)[text(row, table)][text(row, column)] = std::move(rule);
  }
}

std::unique_ptr<qv::engine::Database> BuildReferenceSchema() {
  auto database = std::make_unique<qv::engine::Database>();
  std::map<std::string, std::vector<qv::engine::ColumnDef>> tables;
  std::vector<std::vector<std::string>> validationRows;
  std::istringstream in(kReferenceSchemaText);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> fields = SplitTabs(line);
    if (fields[0] == "C" && fields.size() == 5) {
      qv::engine::ColumnDef column;
      column.name = fields[2];
      qv::engine::ParseIdtType(fields[3], &column);
      column.primaryKey = fields[4] == "1";
      tables[fields[1]].push_back(column);
    } else if (fields[0] == "V") {
      validationRows.emplace_back(fields.begin() + 1, fields.end());
    }
  }
  for (auto& [name, columns] : tables) database->AddTable(name, std::move(columns));
  Table* validation = database->AddTable("_Validation", qv::engine::ValidationColumns());
  for (const auto& fields : validationRows) {
    if (fields.size() != validation->Columns().size()) continue;
    Row row(fields.size());
    for (size_t c = 0; c < fields.size(); ++c) {
      if (fields[c].empty()) continue;
      if (validation->Columns()[c].IsInteger()) row[c] = int32_t(std::atoi(fields[c].c_str()));
      else row[c] = fields[c];
    }
    validation->Insert(std::move(row));
  }
  return database;
}

}  // namespace

std::vector<std::string> SplitSemicolons(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, ';'))
    if (!part.empty()) parts.push_back(part);
  return parts;
}

const qv::engine::Database& ReferenceSchema() {
  static const std::unique_ptr<qv::engine::Database> schema = BuildReferenceSchema();
  return *schema;
}

ColumnRules::ColumnRules(const qv::engine::Database& database) {
  if (const Table* validation = database.FindTable("_Validation")) {
    packageHasValidation_ = true;
    ReadRules(*validation, false, &package_);
  }
  ReadRules(*ReferenceSchema().FindTable("_Validation"), true, &reference_);
}

const ColumnRule* ColumnRules::Find(const std::string& table, const std::string& column) const {
  for (const auto* rules : {&package_, &reference_}) {
    auto inTable = rules->find(table);
    if (inTable == rules->end()) continue;
    auto rule = inTable->second.find(column);
    if (rule != inTable->second.end()) return &rule->second;
  }
  return nullptr;
}

}  // namespace validation
