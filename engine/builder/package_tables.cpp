#include "package_tables.h"

namespace builder {

std::string ValueText(const qv::Variant& value) {
  switch (value.kind) {
    case qv::Variant::Kind::Integer:
      return std::to_string(value.integer);
    case qv::Variant::Kind::Text:
      return value.text;
    default:
      return "";
  }
}

std::string RowKeyText(const PackageTable& table, const std::vector<qv::Variant>& row) {
  std::string key;
  for (size_t c = 0; c < table.columns.size() && c < row.size(); ++c) {
    if (!table.columns[c].primaryKey) continue;
    if (!key.empty()) key += ';';
    key += ValueText(row[c]);
  }
  return key;
}

}  // namespace builder
