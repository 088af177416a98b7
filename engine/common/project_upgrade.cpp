#include "project_upgrade.h"

#include <cstdlib>

#include "project_schema.h"
#include "qv/upgrader.h"
#include "validation.h"

namespace qv::engine {

int32_t VersionStateOf(const Database& database) {
  std::string version = ProjectFormatVersion(database);
  if (!version.empty() && std::atoi(version.c_str()) > std::atoi(kProjectFormatVersion)) return kVersionNewer;
  return HasCurrentProjectFormat(database) ? kVersionCurrent : kVersionNeedsUpgrade;
}

namespace {

void CopyMissingTables(Database& database, const Database& blank) {
  if (!database.FindTable("_Validation")) database.AddTable("_Validation", ValidationColumns());
  Table* validation = database.FindTable("_Validation");
  const Table* blankValidation = blank.FindTable("_Validation");
  for (const Table* source : blank.Tables()) {
    if (database.FindTable(source->Name())) continue;
    Table* added = database.AddTable(source->Name(), source->Columns());
    if (!added) continue;
    for (const auto& [key, id] : source->KeyOrder()) added->Insert(*source->Get(id));
    if (blankValidation && validation && validation->Columns().size() == blankValidation->Columns().size())
      for (RowId id : blankValidation->RowsWhere(0, TextCell(source->Name()))) validation->Insert(*blankValidation->Get(id));
  }
}

// Directory rows of the template the database lacks, each placed when its parent exists.
void CopyMissingDirectories(Database& database, const Database& blank) {
  Table* directories = database.FindTable("Directory");
  const Table* source = blank.FindTable("Directory");
  if (!directories || !source || directories->Columns().size() != source->Columns().size()) return;
  bool added = true;
  while (added) {
    added = false;
    for (const auto& [key, id] : source->KeyOrder()) {
      const Row& row = *source->Get(id);
      if (directories->Find(source->KeyOf(row), nullptr)) continue;
      const Cell& parent = row[1];
      if (!IsNull(parent) && !directories->Find({parent}, nullptr)) continue;
      if (Succeeded(directories->Insert(row))) added = true;
    }
  }
}

}  // namespace

HResult UpgradeDatabase(Database& database, const Database* blank) {
  if (database.CodePage() == 0) database.SetCodePage(1252);
  if (blank) {
    CopyMissingTables(database, *blank);
    CopyMissingDirectories(database, *blank);
  }
  HResult hr = AddProjectTables(database);
  if (Failed(hr)) return hr;
  for (Table* table : database.Tables())
    if (table->Name().rfind(kProjectTablePrefix, 0) == 0) AddDefaultValidation(database, *table);
  return kOk;
}

}  // namespace qv::engine
