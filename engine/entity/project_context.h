// What every object of an open project shares: the in-memory database and the caches the
// product object keeps over it. Objects hold the context by shared pointer, so an object that
// outlives Close keeps working on the closed project's data without touching a new one.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "database.h"
#include "directory_tree.h"

namespace qv::engine {

struct ProjectContext {
  std::unique_ptr<Database> db;
  DirectoryTree directories;
  // Product configurations added but still without a release (they have no rows yet).
  std::set<std::string> emptyConfigurations;
  uint64_t placeholderCounter = 0;

  // A key not yet used in the single-key table, for a new item of a typed collection.
  std::string NewPlaceholderKey(const Table& table, const char* prefix);
};
using ContextPtr = std::shared_ptr<ProjectContext>;

// Variant <-> cell conversions with the column's rules: text for string columns (numbers are
// written as decimal text), integers for integer columns (decimal text is accepted), a host
// file path for binary columns (its contents are read). kBadValue when the value does not fit.
HResult VariantToCell(const ColumnDef& column, const Variant& value, Cell* cell);
Variant CellToVariant(const Cell& cell);

// Key of the first column as text (the typed collections' single-column keys).
inline std::string KeyText(const Row& row) { return std::string(CellText(row[0])); }

}  // namespace qv::engine
