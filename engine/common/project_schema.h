// The engine's project tables (qv/project_tables.h) in the in-memory database.
#pragma once

#include <string>

#include "database.h"
#include "qv/project_tables.h"

namespace qv::engine {

// The columns of one project table as described in qv/project_tables.h.
std::vector<ColumnDef> ProjectTableColumns(const ProjectTable& table);

// True when every project table exists with its columns and the format version is the
// current one.
bool HasCurrentProjectFormat(const Database& database);
// The format version recorded in QvProjectInfo; empty when none.
std::string ProjectFormatVersion(const Database& database);

// Adds the missing project tables (with their _Validation rows when the database has a
// _Validation table) and records the current format version. A project table of an older
// layout is replaced when it is empty; kBadFormat when it holds rows.
HResult AddProjectTables(Database& database);

// Reads and writes one row of QvProjectInfo.
std::string ProjectInfo(const Database& database, const std::string& name);
HResult SetProjectInfo(Database& database, const std::string& name, const std::string& value);

}  // namespace qv::engine
