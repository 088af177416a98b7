// Reading and changing the tables of an open project through the engine's table interfaces.
// Columns are addressed by their 1-based number in the installer schema.
#pragma once

#include <string>
#include <vector>

#include "qv/entity.h"

namespace builder {

using RowValues = std::vector<qv::Variant>;

// The table of that name, or null when the project has none.
qv::ComPtr<qv::ITable> FindTable(qv::IDatabase* database, const std::string& name);
// The names of every table of the project.
std::vector<std::string> TableNames(qv::IDatabase* database);

// The values of a row, one per column.
RowValues ReadRow(qv::IRow* row);

// Calls visit(row, values) for every row of the table in key order; visit returns false to stop.
template <class Visit>
void ForEachRow(qv::ITable* table, Visit visit) {
  if (!table) return;
  std::string name;
  table->GetName(&name);
  qv::ComPtr<qv::IView> view;
  if (qv::Failed(table->OpenView("SELECT * FROM " + name, view.Put())) || !view) return;
  while (true) {
    qv::ComPtr<qv::IRow> row;
    if (view->Next(row.Put()) != qv::kOk || !row) break;
    const RowValues values = ReadRow(row.Get());
    if (!visit(row.Get(), values)) break;
  }
}

// Every row of the table (in key order).
std::vector<RowValues> ReadAllRows(qv::ITable* table);

// Sets columns of an existing row (column number, value) and writes it back.
qv::HResult UpdateRow(qv::IRow* row, const std::vector<std::pair<int, qv::Variant>>& changes);

// Adds a row with the given values (one per column from column 1; missing ones stay null).
qv::HResult AddRow(qv::ITable* table, const RowValues& values);

// Removes the row with that primary key when there is one.
qv::HResult DeleteRow(qv::ITable* table, const RowValues& key);

// The text of a value (integers in decimal, null empty).
std::string Text(const qv::Variant& value);
// The integer of a value (text parsed as decimal), or fallback.
int32_t Integer(const qv::Variant& value, int32_t fallback = 0);

}  // namespace builder
