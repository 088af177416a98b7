// ICE03: every value against its validation row: nulls, string lengths, integer ranges, sets,
// references to keys of other tables, and the form of text of each category. Rules come from
// the package's _Validation table; a column it does not describe, or any column of a package
// without _Validation, is checked against the built-in reference schema. A column that neither
// describes is checked against its column definition only (nulls, length): the published rule
// calls that an error of its own, which only a package's own _Validation can settle.
// ICE06: every column that the validation rows describe exists in its table (tables that are
// absent are not the rule's concern).
// ICE32: a column that refers to another table's key has that key's type and size.
#include <unordered_set>

#include "rules.h"
#include "value_text.h"

namespace validation {
namespace {

using qv::engine::ColumnDef;
using qv::engine::Table;

// The values of one column of a table, for reference look-ups; made once per (table, column).
class KeyValues {
 public:
  explicit KeyValues(const PackageIndex& package) : package_(package) {}
  bool Contains(const std::string& tableName, int column, const std::string& value) {
    const TableView table = package_.View(tableName);
    if (!table || column < 1 || size_t(column) > table.Table()->Columns().size()) return false;
    if (column == 1 && table.Table()->KeyColumnCount() == 1 && table.Table()->Columns()[0].IsText())
      return table.Find(value) != nullptr;
    auto& values = cache_[{tableName, column}];
    if (!values) {
      values.emplace();
      table.ForEach([&](const Row& row) { values->insert(TableView::Text(row, column - 1)); });
    }
    return values->count(value) != 0;
  }

 private:
  const PackageIndex& package_;
  std::map<std::pair<std::string, int>, std::optional<std::unordered_set<std::string>>> cache_;
};

bool InSet(const std::vector<std::string>& set, const std::string& value) {
  for (const std::string& member : set)
    if (member == value) return true;
  return false;
}

// The rules that describe the package: its own _Validation, or the reference schema.
const std::map<std::string, std::map<std::string, ColumnRule>>& DescribingRules(const PackageIndex& package,
                                                                               std::map<std::string, std::map<std::string, ColumnRule>>* storage) {
  if (package.Rules().PackageHasValidation()) return package.Rules().PackageRules();
  *storage = ColumnRules(ReferenceSchema()).PackageRules();
  return *storage;
}

}  // namespace

void Ice03(const PackageIndex& package, Report& report) {
  KeyValues keys(package);
  for (const Table* table : package.Database().Tables()) {
    if (table->Name().starts_with("_")) continue;  // the installer's own system tables
    const TableView view(table);
    const auto& columns = table->Columns();
    std::vector<const ColumnRule*> rules;
    for (const ColumnDef& column : columns) rules.push_back(package.Rules().Find(table->Name(), column.name));
    view.ForEach([&](const Row& row) {
      for (size_t c = 0; c < columns.size() && c < row.size(); ++c) {
        const ColumnDef& column = columns[c];
        const ColumnRule* rule = rules[c];
        auto fail = [&](const std::string& what) {
          report.Error("ICE03", table->Name(), view.KeyText(row),
                       "Table " + Quote(table->Name()) + ", row " + Quote(view.KeyText(row)) + ", column " +
                           Quote(column.name) + ": " + what + ".");
        };
        if (qv::engine::IsNull(row[c])) {
          if (!column.nullable || (rule && !rule->nullable)) fail("a value is required");
          continue;
        }
        const std::string value = TableView::Text(row, int(c));
        if (column.IsText() && column.length > 0 && qv::engine::Utf8Length(value) > size_t(column.length))
          fail("the value is longer than " + std::to_string(column.length) + " characters");
        if (!rule) continue;
        if (column.IsInteger()) {
          const int64_t number = *TableView::Integer(row, int(c));
          if ((rule->minValue && number < *rule->minValue) || (rule->maxValue && number > *rule->maxValue))
            fail("the value " + value + " is outside " + (rule->minValue ? std::to_string(*rule->minValue) : "") + ".." +
                 (rule->maxValue ? std::to_string(*rule->maxValue) : ""));
        } else if (column.IsText()) {
          std::string problem = CategoryProblem(rule->category, value);
          // A File row's version may name the companion file whose version it takes.
          if (!problem.empty() && rule->category == "Version" && package.View("File").Find(value)) problem.clear();
          if (!problem.empty()) fail(problem);
        }
        if (!rule->set.empty() && !InSet(rule->set, value))
          fail("'" + value + "' is not one of " + Join(rule->set, ";"));
        if (!rule->keyTables.empty() && rule->keyColumn > 0) {
          bool found = false;
          for (const std::string& keyTable : rule->keyTables)
            if ((found = keys.Contains(keyTable, rule->keyColumn, value))) break;
          if (!found) fail("'" + value + "' refers to no row of table '" + Join(rule->keyTables, "' or '") + "'");
        }
      }
    });
  }
}

void Ice06(const PackageIndex& package, Report& report) {
  std::map<std::string, std::map<std::string, ColumnRule>> storage;
  for (const auto& [tableName, columns] : DescribingRules(package, &storage)) {
    const TableView table = package.View(tableName);
    if (!table) continue;
    for (const auto& [column, rule] : columns)
      if (table.Column(column) < 0)
        report.Error("ICE06", tableName, "",
                     "Column " + Quote(column) + " of table " + Quote(tableName) +
                         " is described by the validation rows but missing from the table.");
  }
}

void Ice32(const PackageIndex& package, Report& report) {
  std::map<std::string, std::map<std::string, ColumnRule>> storage;
  for (const auto& [tableName, columns] : DescribingRules(package, &storage)) {
    const TableView table = package.View(tableName);
    if (!table) continue;
    for (const auto& [columnName, rule] : columns) {
      const int index = table.Column(columnName);
      if (index < 0 || rule.keyColumn < 1) continue;
      const ColumnDef& column = table.Table()->Columns()[size_t(index)];
      for (const std::string& keyTableName : rule.keyTables) {
        const TableView keyTable = package.View(keyTableName);
        if (!keyTable || size_t(rule.keyColumn) > keyTable.Table()->Columns().size()) continue;
        const ColumnDef& key = keyTable.Table()->Columns()[size_t(rule.keyColumn - 1)];
        if (qv::engine::IdtType(column).substr(1) != qv::engine::IdtType(key).substr(1) ||
            column.IsText() != key.IsText())
          report.Error("ICE32", tableName, "",
                       "Column " + Quote(tableName + "." + columnName) + " (" + qv::engine::IdtType(column) +
                           ") refers to " + Quote(keyTableName + "." + key.name) + " (" + qv::engine::IdtType(key) +
                           "), a key of another type or size.");
      }
    }
  }
}

}  // namespace validation
