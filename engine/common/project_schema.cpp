#include "project_schema.h"

#include "validation.h"

#include <vector>

namespace qv::engine {

std::vector<ColumnDef> ProjectTableColumns(const ProjectTable& table) {
  std::vector<ColumnDef> columns;
  for (int i = 0; i < table.columnCount; ++i) {
    ColumnDef column;
    column.name = table.columns[i].name;
    ParseIdtType(table.columns[i].type, &column);
    column.primaryKey = table.columns[i].key;
    columns.push_back(column);
  }
  return columns;
}

namespace {
// Drops the _Validation rows that describe the named table.
void DropValidationRows(Database& database, const std::string& tableName) {
  Table* validation = database.FindTable("_Validation");
  if (!validation) return;
  for (RowId id : validation->RowsWhere(0, TextCell(tableName))) validation->Erase(id);
}

bool SameColumns(const Table& table, const std::vector<ColumnDef>& columns) {
  if (table.Columns().size() != columns.size()) return false;
  for (size_t i = 0; i < columns.size(); ++i) {
    const ColumnDef& a = table.Columns()[i];
    const ColumnDef& b = columns[i];
    if (a.name != b.name || a.kind != b.kind || a.primaryKey != b.primaryKey) return false;
  }
  return true;
}
}  // namespace

std::string ProjectInfo(const Database& database, const std::string& name) {
  const Table* table = database.FindTable(kProjectInfoTable);
  RowId id;
  if (!table || !table->Find({TextCell(name)}, &id)) return {};
  return std::string(CellText((*table->Get(id))[1]));
}

HResult SetProjectInfo(Database& database, const std::string& name, const std::string& value) {
  Table* table = database.FindTable(kProjectInfoTable);
  if (!table) return kNotFound;
  RowId id;
  if (table->Find({TextCell(name)}, &id)) return table->SetCell(id, 1, TextCell(value));
  return table->Insert({TextCell(name), TextCell(value)});
}

std::string ProjectFormatVersion(const Database& database) { return ProjectInfo(database, kFormatVersionName); }

bool HasCurrentProjectFormat(const Database& database) {
  for (const ProjectTable& schema : kProjectTables) {
    const Table* table = database.FindTable(schema.name);
    if (!table || !SameColumns(*table, ProjectTableColumns(schema))) return false;
  }
  return ProjectFormatVersion(database) == kProjectFormatVersion;
}

HResult AddProjectTables(Database& database) {
  for (const ProjectTable& schema : kProjectTables) {
    std::vector<ColumnDef> columns = ProjectTableColumns(schema);
    if (const Table* existing = database.FindTable(schema.name)) {
      if (SameColumns(*existing, columns)) continue;
      // An older layout is replaced only while it holds nothing (QvMergeModule of format 1
      // never held rows); rows in a layout we do not know are not thrown away.
      if (existing->RowCount() != 0) return kBadFormat;
      database.DropTable(schema.name);
      DropValidationRows(database, schema.name);
    }
    Table* table = database.AddTable(schema.name, std::move(columns));
    if (!table) return kFail;
    AddDefaultValidation(database, *table);
  }
  return SetProjectInfo(database, kFormatVersionName, kProjectFormatVersion);
}

}  // namespace qv::engine
