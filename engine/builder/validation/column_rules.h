// What the installer's validation rows say about each column: nullability, range, set of
// values, the table a value refers to and the category of its text. A package's own _Validation
// table comes first; a column it does not describe (or a package without _Validation) takes the
// rule of the built-in reference schema, made from the blank template's table sources.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "database.h"

namespace validation {

struct ColumnRule {
  bool nullable = true;
  std::optional<int64_t> minValue, maxValue;
  std::vector<std::string> keyTables;  // KeyTable, split at ';'
  int keyColumn = 0;                   // 1-based
  std::string category;
  std::vector<std::string> set;        // Set, split at ';'
  bool fromReference = false;          // the package's _Validation has no row for it
};

class ColumnRules {
 public:
  explicit ColumnRules(const qv::engine::Database& database);
  const ColumnRule* Find(const std::string& table, const std::string& column) const;
  bool PackageHasValidation() const { return packageHasValidation_; }
  // Every rule of the package's own _Validation (table -> column -> rule).
  const std::map<std::string, std::map<std::string, ColumnRule>>& PackageRules() const { return package_; }

 private:
  std::map<std::string, std::map<std::string, ColumnRule>> package_, reference_;
  bool packageHasValidation_ = false;
};

// The installer tables of the blank template, without rows, with a complete _Validation table.
const qv::engine::Database& ReferenceSchema();

std::vector<std::string> SplitSemicolons(const std::string& text);

}  // namespace validation
