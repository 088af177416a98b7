#include "database.h"

#include <set>

namespace qv::engine {

namespace {

// Columns that refer to a table's key without being named "<Table>_".
struct OtherReference {
  const char* table;   // the referenced table
  const char* column;  // a referring column, in any table
};
constexpr OtherReference kOtherReferences[] = {
    {"Directory", "Directory_Parent"}, {"Directory", "DirProperty"}, {"Directory", "WkDir"},
    {"Directory", "DestFolder"},       {"Directory", "SourceFolder"}, {"Feature", "Feature_Parent"},
    {"File", "KeyPath"},               {"Registry", "KeyPath"},       {"ProgId", "ProgId_Parent"},
    {"ProgId", "ProgId_Default"},      {"File", "File_Setup"},        {"Class", "Class_"},
};

bool RefersTo(const std::string& referenced, const std::string& column) {
  if (column == referenced + "_") return true;
  for (const auto& other : kOtherReferences)
    if (referenced == other.table && column == other.column) return true;
  return false;
}

}  // namespace

std::vector<Table*> Database::Tables() const {
  std::vector<Table*> list;
  list.reserve(tables_.size());
  for (const auto& [name, table] : tables_) list.push_back(table.get());
  return list;
}

Table* Database::FindTable(std::string_view name) const {
  auto it = tables_.find(name);
  return it == tables_.end() ? nullptr : it->second.get();
}

Table* Database::AddTable(const std::string& name, std::vector<ColumnDef> columns) {
  if (name.empty() || columns.empty() || tables_.count(name)) return nullptr;
  std::set<std::string> names;
  bool keysDone = false;
  for (const auto& c : columns) {
    if (c.name.empty() || !names.insert(c.name).second) return nullptr;
    if (!c.primaryKey) keysDone = true;
    else if (keysDone) return nullptr;
  }
  auto table = std::make_unique<Table>(name, std::move(columns));
  Table* raw = table.get();
  tables_.emplace(name, std::move(table));
  references_.clear();
  return raw;
}

bool Database::DropTable(const std::string& name) {
  auto it = tables_.find(name);
  if (it == tables_.end()) return false;
  tables_.erase(it);
  references_.clear();
  return true;
}

std::string Database::SummaryString(int property) const {
  auto it = summary_.find(property);
  if (it == summary_.end()) return {};
  const auto* text = std::get_if<std::string>(&it->second);
  return text ? *text : std::string();
}

const std::vector<Database::ColumnRef>& Database::ReferencesTo(const std::string& tableName) {
  auto cached = references_.find(tableName);
  if (cached != references_.end()) return cached->second;
  std::vector<ColumnRef> refs;
  for (const auto& [name, other] : tables_)
    for (size_t c = 0; c < other->Columns().size(); ++c)
      if (RefersTo(tableName, other->Columns()[c].name)) refs.push_back({other.get(), c});
  return references_.emplace(tableName, std::move(refs)).first->second;
}

HResult Database::RenameKey(Table& table, RowId id, const std::string& newKey) {
  if (table.KeyColumnCount() != 1) return kInvalidArg;
  const Row* row = table.Get(id);
  if (!row) return kNotFound;
  Cell oldKey = (*row)[0];
  Cell key = TextCell(newKey);
  if (key == oldKey) return kOk;
  HResult hr = CheckCell(table.Columns()[0], key);
  if (Failed(hr)) return hr;
  if (table.Find({key}, nullptr)) return kDuplicateKey;

  // Check every referring row can take the new value before changing anything: a referring
  // column may be part of its table's key, and the re-keyed row may then collide.
  struct Change {
    Table* table;
    size_t column;
    RowId row;
  };
  std::vector<Change> changes;
  for (const ColumnRef& ref : ReferencesTo(table.Name())) {
    if (ref.table == &table && ref.column == 0) continue;
    for (RowId rid : ref.table->RowsWhere(ref.column, oldKey)) changes.push_back({ref.table, ref.column, rid});
  }
  for (const Change& change : changes) {
    if (change.column >= change.table->KeyColumnCount()) continue;
    Key moved = change.table->KeyOf(*change.table->Get(change.row));
    moved[change.column] = key;
    RowId existing;
    if (change.table->Find(moved, &existing) && existing != change.row) return kDuplicateKey;
  }
  hr = table.SetCell(id, 0, key);
  if (Failed(hr)) return hr;
  for (const Change& change : changes) change.table->SetCell(change.row, change.column, key);
  return kOk;
}

}  // namespace qv::engine
