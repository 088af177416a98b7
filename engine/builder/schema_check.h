// Checks the rows of a package against its _Validation table before anything is written: a
// null in a column that may not be null, a string longer than its column, an integer outside
// MinValue..MaxValue, and a value whose KeyTable/KeyColumn row does not exist. Each problem is
// one message naming the table, the row's key and the column.
#pragma once

#include <string>
#include <vector>

#include "database.h"

namespace builder {

// The problems found, in table and row order. Tables without validation rows are not checked;
// without a _Validation table only the column definitions are.
std::vector<std::string> CheckAgainstValidation(const qv::engine::Database& database);

}  // namespace builder
