// The generic database objects: table collection, tables, rows, fields and views.
#pragma once

#include "com_object.h"
#include "project_context.h"

namespace qv::engine {

// The table collection of an open project (IDatabase::GetTables).
HResult MakeTableCollection(const ContextPtr& context, ITableCollection** out);
// A table object for a table of the context's database.
HResult MakeTableObject(const ContextPtr& context, Table* table, ITable** out);

// Parses "Name ='<table>'" (blanks around '=' allowed; back quotes or none around Name).
bool ParseNameFilter(const std::string& filter, std::string* name);

}  // namespace qv::engine
