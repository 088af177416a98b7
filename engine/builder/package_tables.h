// The tables of a package as the builder checks them: column definitions and rows of values.
#pragma once

#include <string>
#include <vector>

#include "qv/com.h"

namespace builder {

struct ColumnDefinition {
  std::string name;
  bool isString = true;   // string (or stream) column; otherwise integer
  int width = 0;          // characters of a string column (0: unlimited), bytes of an integer one
  bool nullable = true;
  bool primaryKey = false;
};

struct PackageTable {
  std::string name;
  std::vector<ColumnDefinition> columns;
  std::vector<std::vector<qv::Variant>> rows;  // one value per column; Empty is null
};

// The text of a row's primary key: its key columns' values joined by ';'.
std::string RowKeyText(const PackageTable& table, const std::vector<qv::Variant>& row);

// A value as text (integers in decimal, null as empty).
std::string ValueText(const qv::Variant& value);

}  // namespace builder
