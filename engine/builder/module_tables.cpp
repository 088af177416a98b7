#include "module_tables.h"

#include <vector>

namespace builder {
namespace {

using qv::engine::Cell;
using qv::engine::ColumnDef;
using qv::engine::Row;
using qv::engine::RowId;
using qv::engine::Table;

std::string KeyText(const Table& table, const Row& row) {
  std::string text;
  for (size_t c = 0; c < table.KeyColumnCount(); ++c) {
    if (c) text += ";";
    if (const std::optional<int32_t> number = row[c].Number())
      text += std::to_string(*number);
    else
      text += qv::engine::CellText(row[c]);
  }
  return text;
}

bool SameKind(const ColumnDef& a, const ColumnDef& b) {
  return a.IsInteger() == b.IsInteger() && a.IsText() == b.IsText();
}

// The package column of each module column; empty (and errors) when the two tables do not fit:
// the same key columns in the same order, and no module column that the package lacks.
std::vector<size_t> MapColumns(const Table& target, const Table& source, const std::string& label,
                               BuildMessages& messages) {
  std::vector<size_t> mapping;
  bool fits = source.KeyColumnCount() == target.KeyColumnCount();
  for (size_t c = 0; c < source.Columns().size() && fits; ++c) {
    const ColumnDef& column = source.Columns()[c];
    const int index = target.ColumnIndex(column.name);
    if (index < 0 || !SameKind(column, target.Columns()[size_t(index)]) ||
        (c < source.KeyColumnCount()) != (size_t(index) < target.KeyColumnCount()) ||
        (c < source.KeyColumnCount() && size_t(index) != c)) {
      messages.Error(label + ": its table '" + source.Name() + "' has column '" + column.name + "' (" +
                     qv::engine::IdtType(column) + "), which the package's table '" + target.Name() +
                     "' does not have in that form.");
      return {};
    }
    mapping.push_back(size_t(index));
  }
  if (!fits)
    messages.Error(label + ": its table '" + source.Name() + "' has other key columns than the package's.");
  return fits ? mapping : std::vector<size_t>();
}

}  // namespace

std::string ModuleLabel(const std::string& moduleName) { return "Merge module '" + moduleName + "'"; }

void MergeModuleTable(qv::engine::Database& package, const Table& moduleTable, const std::string& moduleName,
                      bool keepPackageRows, const ModuleRowFilter& filter, BuildMessages& messages) {
  const std::string label = ModuleLabel(moduleName);
  Table* target = package.FindTable(moduleTable.Name());
  if (!target) {
    target = package.AddTable(moduleTable.Name(), moduleTable.Columns());
    if (!target) {
      messages.Error(label + ": its table '" + moduleTable.Name() + "' cannot be carried into the package.");
      return;
    }
  }
  const std::vector<size_t> mapping = MapColumns(*target, moduleTable, label, messages);
  if (mapping.empty()) return;
  for (const auto& [key, id] : moduleTable.KeyOrder()) {
    const Row& source = *moduleTable.Get(id);
    if (filter && !filter(source)) continue;
    Row row(target->Columns().size());
    bool fits = true;
    for (size_t c = 0; c < mapping.size(); ++c) {
      row[mapping[c]] = source[c];
      fits = fits && qv::engine::CheckCell(target->Columns()[mapping[c]], source[c]) == qv::kOk;
    }
    const std::string where = "table '" + moduleTable.Name() + "', row '" + KeyText(moduleTable, source) + "'";
    if (!fits) {
      messages.Error(label + ": " + where + " does not fit the package's columns.");
      continue;
    }
    RowId existing = 0;
    if (target->Find(target->KeyOf(row), &existing)) {
      if (keepPackageRows) continue;
      const Row& held = *target->Get(existing);
      for (size_t c = 0; c < mapping.size(); ++c)
        if (held[mapping[c]] != source[c]) {
          messages.Error(label + ": " + where + " conflicts with the package's row of that key (column '" +
                         moduleTable.Columns()[c].name + "' differs).");
          break;
        }
      continue;
    }
    target->Insert(std::move(row));
  }
}

}  // namespace builder
