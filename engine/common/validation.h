// Rows of the _Validation table, which describes every column for validation tools.
#pragma once

#include "database.h"

namespace qv::engine {

// The _Validation columns: Table, Column, Nullable, MinValue, MaxValue, KeyTable, KeyColumn,
// Category, Set, Description.
std::vector<ColumnDef> ValidationColumns();

// Adds a _Validation row for every column of table that has none, inferred from the column:
// nullability, "Identifier" with the referenced table for "<Table>_" columns and key columns,
// "Guid", "Condition", "Binary", "Text" otherwise. Does nothing without a _Validation table.
void AddDefaultValidation(Database& database, const Table& table);

}  // namespace qv::engine
