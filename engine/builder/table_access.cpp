#include "table_access.h"

#include <cstdlib>

namespace builder {

qv::ComPtr<qv::ITable> FindTable(qv::IDatabase* database, const std::string& name) {
  qv::ComPtr<qv::ITableCollection> tables;
  qv::ComPtr<qv::ITable> table;
  if (database && qv::Succeeded(database->GetTables(tables.Put())) && tables &&
      tables->Find("Name ='" + name + "'", table.Put()) == qv::kOk)
    return table;
  return nullptr;
}

std::vector<std::string> TableNames(qv::IDatabase* database) {
  std::vector<std::string> names;
  qv::ComPtr<qv::ITableCollection> tables;
  int32_t count = 0;
  if (!database || qv::Failed(database->GetTables(tables.Put())) || !tables || qv::Failed(tables->GetCount(&count)))
    return names;
  for (int32_t i = 0; i < count; ++i) {
    qv::ComPtr<qv::ITable> table;
    std::string name;
    if (qv::Succeeded(tables->Item(i, table.Put())) && table && qv::Succeeded(table->GetName(&name)))
      names.push_back(name);
  }
  return names;
}

RowValues ReadRow(qv::IRow* row) {
  RowValues values;
  qv::ComPtr<qv::IFieldCollection> fields;
  int32_t count = 0;
  if (qv::Failed(row->GetFields(fields.Put())) || !fields || qv::Failed(fields->GetCount(&count))) return values;
  values.resize(size_t(count));
  for (int32_t c = 1; c <= count; ++c) {
    qv::ComPtr<qv::IField> field;
    if (qv::Succeeded(fields->Item(c, field.Put())) && field) field->GetValue(&values[size_t(c - 1)]);
  }
  return values;
}

std::vector<RowValues> ReadAllRows(qv::ITable* table) {
  std::vector<RowValues> rows;
  ForEachRow(table, [&](qv::IRow*, const RowValues& values) {
    rows.push_back(values);
    return true;
  });
  return rows;
}

qv::HResult UpdateRow(qv::IRow* row, const std::vector<std::pair<int, qv::Variant>>& changes) {
  qv::ComPtr<qv::IFieldCollection> fields;
  qv::HResult hr = row->GetFields(fields.Put());
  if (qv::Failed(hr)) return hr;
  for (const auto& [column, value] : changes) {
    qv::ComPtr<qv::IField> field;
    if (qv::Failed(hr = fields->Item(column, field.Put()))) return hr;
    if (qv::Failed(hr = field->SetValue(value))) return hr;
  }
  return row->Commit(0);
}

qv::HResult AddRow(qv::ITable* table, const RowValues& values) {
  qv::ComPtr<qv::IRow> row;
  qv::HResult hr = table->AddRow(row.Put());
  if (qv::Failed(hr)) return hr;
  std::vector<std::pair<int, qv::Variant>> changes;
  for (size_t i = 0; i < values.size(); ++i)
    if (values[i].kind != qv::Variant::Kind::Empty) changes.emplace_back(int(i + 1), values[i]);
  return UpdateRow(row.Get(), changes);
}

qv::HResult DeleteRow(qv::ITable* table, const RowValues& key) {
  qv::ComPtr<qv::IRow> row;
  const qv::HResult hr = table->FindRow(key, row.Put());
  if (hr != qv::kOk || !row) return hr;
  return row->Delete();
}

std::string Text(const qv::Variant& value) {
  if (value.kind == qv::Variant::Kind::Text) return value.text;
  if (value.kind == qv::Variant::Kind::Integer) return std::to_string(value.integer);
  return "";
}

int32_t Integer(const qv::Variant& value, int32_t fallback) {
  if (value.kind == qv::Variant::Kind::Integer) return value.integer;
  if (value.kind == qv::Variant::Kind::Text && !value.text.empty()) {
    char* end = nullptr;
    const long v = std::strtol(value.text.c_str(), &end, 10);
    if (end && *end == '\0') return int32_t(v);
  }
  return fallback;
}

}  // namespace builder
