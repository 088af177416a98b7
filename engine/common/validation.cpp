#include "validation.h"

namespace qv::engine {

namespace {
ColumnDef Column(const char* name, const char* type, bool key = false) {
  ColumnDef c;
  c.name = name;
  ParseIdtType(type, &c);
  c.primaryKey = key;
  return c;
}

bool EndsWith(const std::string& text, const char* suffix) {
  std::string s = suffix;
  return text.size() >= s.size() && text.compare(text.size() - s.size(), s.size(), s) == 0;
}
}  // namespace

std::vector<ColumnDef> ValidationColumns() {
  return {Column("Table", "s32", true), Column("Column", "s32", true), Column("Nullable", "s4"),
          Column("MinValue", "I4"),     Column("MaxValue", "I4"),      Column("KeyTable", "S255"),
          Column("KeyColumn", "I2"),    Column("Category", "S32"),     Column("Set", "S255"),
          Column("Description", "S255")};
}

void AddDefaultValidation(Database& database, const Table& table) {
  Table* validation = database.FindTable("_Validation");
  if (!validation || validation->Columns().size() < 10) return;
  const auto& columns = table.Columns();
  for (size_t i = 0; i < columns.size(); ++i) {
    const ColumnDef& column = columns[i];
    if (validation->Find({TextCell(table.Name()), TextCell(column.name)}, nullptr)) continue;
    Row row(validation->Columns().size());
    row[0] = TextCell(table.Name());
    row[1] = TextCell(column.name);
    row[2] = TextCell(column.nullable ? "Y" : "N");
    std::string category;
    if (column.kind == ColumnKind::Binary) {
      category = "Binary";
    } else if (column.IsInteger()) {
      row[3] = int32_t{column.kind == ColumnKind::Int16 ? -32767 : -2147483647};
      row[4] = int32_t{column.kind == ColumnKind::Int16 ? 32767 : 2147483647};
    } else if (EndsWith(column.name, "_") && column.name.size() > 1) {
      std::string referenced = column.name.substr(0, column.name.size() - 1);
      if (database.FindTable(referenced)) {
        row[5] = TextCell(referenced);
        row[6] = int32_t{1};
      }
      category = "Identifier";
    } else if (column.name == "Condition") {
      category = "Condition";
    } else if (EndsWith(column.name, "Id") && column.length == 38) {
      category = "Guid";
    } else if (column.primaryKey && column.length == 72) {
      category = "Identifier";
    } else {
      category = "Text";
    }
    row[7] = TextCell(category);
    validation->Insert(std::move(row));
  }
}

}  // namespace qv::engine
