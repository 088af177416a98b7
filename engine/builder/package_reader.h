// Reads every table of a package file back (column definitions, primary keys, rows), so that
// the built package itself is checked against its _Validation table.
#pragma once

#include <string>
#include <vector>

#include "package_tables.h"

namespace builder {

// False with a message when the file cannot be read. Stream columns read as non-null text.
bool ReadPackageTables(const std::string& packagePath, std::vector<PackageTable>* tables, std::string* error);

}  // namespace builder
