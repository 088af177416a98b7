// The product object's typed collections. Their items are live rows: each item holds the
// identity of its row and reads and writes the table directly.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "com_object.h"
#include "project_context.h"

namespace qv::engine {

HResult MakeComponentCollection(const ContextPtr& context, IComponentCollection** out);
// All files of the project, or (componentRow set) the files of one component.
HResult MakeFileCollection(const ContextPtr& context, std::optional<RowId> componentRow, IFileCollection** out);
HResult MakeRegistryCollection(const ContextPtr& context, IRegistryCollection** out);
HResult MakeDirectoryCollection(const ContextPtr& context, IDirectoryCollection** out);
HResult MakeConfigurationCollection(const ContextPtr& context, IProductConfigCollection** out);

// Key-order position lookups for Item(index), rebuilt when the table changed.
class KeyOrderSnapshot {
 public:
  const std::vector<RowId>& Of(const Table& table) {
    if (version_ != table.Version() || table_ != &table) {
      ids_.clear();
      for (const auto& [key, id] : table.KeyOrder()) ids_.push_back(id);
      version_ = table.Version();
      table_ = &table;
    }
    return ids_;
  }

 private:
  const Table* table_ = nullptr;
  uint64_t version_ = UINT64_MAX;
  std::vector<RowId> ids_;
};

// Helpers shared by the items.
Table* RequireTable(const ContextPtr& context, const char* name);
// Sets column (by name) of a row after checking the value against the column.
HResult SetColumn(Table& table, RowId id, const char* column, Cell value);
HResult GetTextColumn(const Table& table, RowId id, const char* column, std::string* text);
// Inserts or updates the row keyed on key in a project table, setting column to value.
HResult UpsertByKey(Table& table, const Key& key, const char* column, Cell value);
// Whether text is a GUID in registry form: {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
bool IsRegistryGuid(const std::string& text);

}  // namespace qv::engine
