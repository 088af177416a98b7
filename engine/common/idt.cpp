#include "idt.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace qv::engine {

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return fields;
}

bool ReadFile(const std::string& path, std::string* data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  *data = buffer.str();
  return true;
}

}  // namespace

bool ImportIdt(Database& database, const std::string& path, std::string* error) {
  auto fail = [&](int line, const std::string& what) {
    *error = path + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + what;
    return false;
  };
  std::string text;
  if (!ReadFile(path, &text)) return fail(0, "cannot read the file");

  std::vector<std::string> lines;
  {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
  }
  if (lines.size() < 3) return fail(0, "an IDT file needs three header lines");
  std::vector<std::string> names = SplitTabs(lines[0]);
  std::vector<std::string> types = SplitTabs(lines[1]);
  std::vector<std::string> header = SplitTabs(lines[2]);
  if (names.size() != types.size()) return fail(2, "column names and types differ in number");
  if (header.empty() || header[0].empty()) return fail(3, "missing table name");
  const std::string& tableName = header[0];

  std::vector<ColumnDef> columns;
  for (size_t i = 0; i < names.size(); ++i) {
    ColumnDef column;
    column.name = names[i];
    if (!ParseIdtType(types[i], &column)) return fail(2, "bad column type '" + types[i] + "'");
    columns.push_back(column);
  }
  for (size_t k = 1; k < header.size(); ++k) {
    if (k - 1 >= columns.size() || columns[k - 1].name != header[k])
      return fail(3, "key column '" + header[k] + "' must be column " + std::to_string(k));
    columns[k - 1].primaryKey = true;
  }
  if (database.FindTable(tableName)) return fail(3, "table '" + tableName + "' defined twice");

  std::string folder = path.substr(0, path.find_last_of('/') + 1);
  std::vector<Row> rows;
  for (size_t n = 3; n < lines.size(); ++n) {
    const std::string& line = lines[n];
    int lineNumber = static_cast<int>(n + 1);
    if (line.empty() || line.rfind("##", 0) == 0) continue;
    std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() != columns.size())
      return fail(lineNumber, "expected " + std::to_string(columns.size()) + " fields, found " +
                                  std::to_string(fields.size()));
    Row row(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) {
      const std::string& field = fields[c];
      if (field.empty()) continue;
      if (columns[c].IsInteger()) {
        int32_t value = 0;
        auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
        if (ec != std::errc() || end != field.data() + field.size())
          return fail(lineNumber, "'" + field + "' is not a number (column " + columns[c].name + ")");
        row[c] = value;
      } else if (columns[c].kind == ColumnKind::Binary) {
        std::string data;
        if (!ReadFile(folder + tableName + "/" + field, &data))
          return fail(lineNumber, "cannot read binary file '" + field + "'");
        row[c] = std::move(data);
      } else {
        row[c] = field;
      }
      if (Failed(CheckCell(columns[c], row[c])))
        return fail(lineNumber, "value does not fit column " + columns[c].name);
    }
    for (size_t c = 0; c < columns.size(); ++c)
      if (IsNull(row[c]) && !columns[c].nullable)
        return fail(lineNumber, "column " + columns[c].name + " may not be empty");
    rows.push_back(std::move(row));
  }

  Table* table = database.AddTable(tableName, std::move(columns));
  if (!table) return fail(1, "unusable column list");
  for (size_t i = 0; i < rows.size(); ++i) {
    if (Failed(table->Insert(std::move(rows[i])))) {
      database.DropTable(tableName);
      return fail(0, "duplicate primary key in row " + std::to_string(i + 1));
    }
  }
  return true;
}

}  // namespace qv::engine
