// Reading table sources in the IDT text form of the Windows Installer: line 1 the column
// names, line 2 the column types ("s72", "L0", "i2", "v0", ...), line 3 the table name and its
// key columns, then one row a line, fields separated by tabs. A binary field names a file in
// the folder "<Table>" beside the IDT file. Our sources may also hold blank lines and comment
// lines beginning with "##" after the third line.
#pragma once

#include <string>

#include "database.h"

namespace qv::engine {

// Adds the table of the IDT file (and its rows) to database. On failure *error names the file,
// the line and the problem, and the database is unchanged.
bool ImportIdt(Database& database, const std::string& path, std::string* error);

}  // namespace qv::engine
