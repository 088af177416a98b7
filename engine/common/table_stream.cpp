#include "table_stream.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <set>

namespace qv::engine {

namespace {

constexpr uint32_t kInt16Bias = 0x8000;
constexpr uint32_t kInt32Bias = 0x80000000u;

bool IsFormatTable(const std::string& name) {
  static const std::set<std::string> kNames = {"_Tables", "_Columns", "_Streams", "_Storages", "_StringPool", "_StringData"};
  return kNames.count(name) > 0;
}

// Bytes of one stored cell of the column.
size_t StoredWidth(const ColumnDef& column, int referenceSize) {
  switch (column.kind) {
    case ColumnKind::String:
      return static_cast<size_t>(referenceSize);
    case ColumnKind::Int32:
      return 4;
    case ColumnKind::Int16:
    case ColumnKind::Binary:  // a flag: the data lies in a stream of its own
      return 2;
  }
  return 2;
}

uint32_t ReadStored(const std::string& stream, size_t at, size_t width) {
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value |= static_cast<uint32_t>(static_cast<uint8_t>(stream[at + i])) << (8 * i);
  return value;
}

void AppendStored(std::string& stream, uint32_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) stream += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The text of a key cell in a binary stream name; a null integer as its stored value reads.
std::string KeyText(const ColumnDef& column, const Cell& cell) {
  if (const std::optional<int32_t> number = cell.Number()) return std::to_string(*number);
  if (IsNull(cell) && column.kind == ColumnKind::Int16) return "-32768";
  if (IsNull(cell) && column.kind == ColumnKind::Int32) return "-2147483648";
  return std::string(CellText(cell));
}

size_t RowWidth(const StoredTable& table, int referenceSize) {
  size_t width = 0;
  for (const ColumnDef& column : table.columns) width += StoredWidth(column, referenceSize);
  return width;
}

ColumnDef FormatColumn(const char* name, ColumnKind kind, int length, bool key) {
  ColumnDef column;
  column.name = name;
  column.kind = kind;
  column.length = length;
  column.primaryKey = key;
  return column;
}

}  // namespace

bool ParseColumnsTable(const std::string& stream, const StringPool& strings,
                       std::map<std::string, std::vector<ColumnDef>>* schema) {
  schema->clear();
  const size_t ref = static_cast<size_t>(strings.referenceSize);
  const size_t rowWidth = 2 * ref + 4;
  if (stream.size() % rowWidth != 0) return false;
  const size_t rows = stream.size() / rowWidth;
  const size_t numberAt = rows * ref, nameAt = rows * (ref + 2), typeAt = rows * (2 * ref + 2);
  auto text = [&](uint32_t id, std::string* out) {
    if (id == 0 || id >= strings.strings.size() || strings.strings[id].empty()) return false;
    *out = strings.strings[id];
    return true;
  };

  std::map<std::string, std::map<int, ColumnDef>> numbered;
  for (size_t r = 0; r < rows; ++r) {
    std::string table;
    ColumnDef column;
    if (!text(ReadStored(stream, r * ref, ref), &table)) return false;
    if (!text(ReadStored(stream, nameAt + r * ref, ref), &column.name)) return false;
    uint32_t number = ReadStored(stream, numberAt + r * 2, 2);
    uint32_t type = ReadStored(stream, typeAt + r * 2, 2);
    if (number <= kInt16Bias || type < kInt16Bias) return false;
    if (!ColumnFromTypeBits(static_cast<int>(type - kInt16Bias), &column)) return false;
    if (IsFormatTable(table)) continue;
    numbered[table].emplace(static_cast<int>(number - kInt16Bias), std::move(column));  // a repeated number: the first
  }
  for (auto& [table, columns] : numbered) {
    // Columns are numbered from 1 without gaps; the cells of a row follow that order.
    if (columns.rbegin()->first != static_cast<int>(columns.size())) return false;
    std::vector<ColumnDef>& list = (*schema)[table];
    for (auto& [number, column] : columns) list.push_back(std::move(column));
  }
  return true;
}

bool ParseTableRows(const std::string& stream, const StringPool& strings, const BinaryStreamReader& readBinary,
                    Table& table) {
  const auto& columns = table.Columns();
  std::vector<size_t> widths, offsets;
  size_t rowWidth = 0;
  bool hasBinary = false;
  for (const ColumnDef& column : columns) {
    widths.push_back(StoredWidth(column, strings.referenceSize));
    rowWidth += widths.back();
    hasBinary = hasBinary || column.kind == ColumnKind::Binary;
  }
  if (rowWidth == 0 || stream.size() % rowWidth != 0) return false;
  const size_t rows = stream.size() / rowWidth;
  size_t offset = 0;
  for (size_t width : widths) {
    offsets.push_back(offset);
    offset += width * rows;
  }

  for (size_t r = 0; r < rows; ++r) {
    Row row(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) {
      uint32_t value = ReadStored(stream, offsets[c] + r * widths[c], widths[c]);
      if (value == 0 || columns[c].kind == ColumnKind::Binary) continue;
      switch (columns[c].kind) {
        case ColumnKind::String:
          if (value >= strings.strings.size()) return false;
          row[c] = TextCell(strings.strings[value]);
          break;
        case ColumnKind::Int16:
          row[c] = static_cast<int32_t>(value) - static_cast<int32_t>(kInt16Bias);
          break;
        case ColumnKind::Int32:
          row[c] = static_cast<int32_t>(value ^ kInt32Bias);
          break;
        case ColumnKind::Binary:
          break;
      }
    }
    // The data of a binary cell is found by the row's key, whatever its stored flag says.
    if (hasBinary) {
      std::string name = BinaryStreamName(table, row);
      for (size_t c = 0; c < columns.size(); ++c) {
        std::string data;
        if (columns[c].kind == ColumnKind::Binary && readBinary(name, &data) && !data.empty()) row[c] = std::move(data);
      }
    }
    table.Insert(std::move(row));  // a damaged file may repeat a key: the first row stays
  }
  return true;
}

std::string BinaryStreamName(const Table& table, const Row& row) {
  std::string name = table.Name();
  for (size_t c = 0; c < table.KeyColumnCount() && c < row.size(); ++c)
    name += "." + KeyText(table.Columns()[c], row[c]);
  return name;
}

HResult EncodeTables(const Database& database, StringPoolBuilder& pool, EncodedTables* out) {
  std::vector<StoredTable> stored;
  StoredTable tables{"_Tables", {FormatColumn("Name", ColumnKind::String, 64, true)}, 1, 0, {}};
  StoredTable columnsTable{"_Columns",
                           {FormatColumn("Table", ColumnKind::String, 64, true), FormatColumn("Number", ColumnKind::Int16, 0, true),
                            FormatColumn("Name", ColumnKind::String, 64, false), FormatColumn("Type", ColumnKind::Int16, 0, false)},
                           2, 0, {}};

  for (const Table* table : database.Tables()) {
    if (IsFormatTable(table->Name())) return kFail;
    uint32_t tableId = 0;
    if (!pool.Intern(table->Name(), &tableId)) return kBadValue;
    tables.values.push_back(tableId);
    ++tables.rowCount;
    const auto& columns = table->Columns();
    for (size_t c = 0; c < columns.size(); ++c) {
      uint32_t nameId = 0, tableRef = 0;
      if (!pool.Intern(table->Name(), &tableRef) || !pool.Intern(columns[c].name, &nameId)) return kBadValue;
      uint32_t number = static_cast<uint32_t>(c + 1) + kInt16Bias;
      uint32_t type = static_cast<uint32_t>(ColumnTypeBits(columns[c])) + kInt16Bias;
      columnsTable.values.insert(columnsTable.values.end(), {tableRef, number, nameId, type});
      ++columnsTable.rowCount;
    }

    StoredTable current{table->Name(), columns, table->KeyColumnCount(), table->RowCount(), {}};
    current.values.reserve(table->RowCount() * columns.size());
    // Each column's text in the row above, with its number: a column such as a component name or
    // a key path repeats it row after row, and the look-up is then not needed.
    std::vector<std::pair<std::string_view, uint32_t>> above(columns.size());
    // The rows go a few dozen at a time: their texts are hashed first, which asks for the pool's
    // slots of all of them at once, and then numbered in order.
    constexpr size_t kRowsAhead = 32;
    std::vector<const Row*> rows;
    std::vector<std::optional<uint32_t>> hashes;  // by row of rows and column
    const auto keyOrder = table->KeyOrder();
    for (auto next = keyOrder.begin(); next != keyOrder.end();) {
      rows.clear();
      for (; next != keyOrder.end() && rows.size() < kRowsAhead; ++next) rows.push_back(table->Get(next->second));
      hashes.assign(rows.size() * columns.size(), std::nullopt);
      for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < columns.size(); ++c) {
          if (columns[c].kind != ColumnKind::String) continue;
          const std::string_view text = CellText((*rows[r])[c]);
          const bool repeated = r > 0 && text == CellText((*rows[r - 1])[c]);
          if (!text.empty() && !repeated) hashes[r * columns.size() + c] = pool.HashAhead(text);
        }
      for (size_t r = 0; r < rows.size(); ++r) {
        const Row& row = *rows[r];
        for (size_t c = 0; c < columns.size(); ++c) {
          const Cell& cell = row[c];
          uint32_t value = 0;
          const std::optional<int32_t> number = cell.Number();
          switch (columns[c].kind) {
            case ColumnKind::String: {
              // A number in a text column is stored as its text.
              if (number) {
                if (!pool.InternCopy(std::to_string(*number), &value)) return kBadValue;
                break;
              }
              const std::string_view text = CellText(cell);
              if (!text.empty() && text == above[c].first) {
                value = above[c].second;
                pool.AddReference(value);
                break;
              }
              if (!pool.Intern(text, hashes[r * columns.size() + c], &value)) return kBadValue;
              above[c] = {text, value};
              break;
            }
            case ColumnKind::Int16:
              if (!IsNull(cell)) {
                if (!number || *number < -32767 || *number > 32767) return kBadValue;
                value = static_cast<uint32_t>(*number + static_cast<int32_t>(kInt16Bias));
              }
              break;
            case ColumnKind::Int32:
              if (!IsNull(cell)) {
                if (!number) return kBadValue;
                value = static_cast<uint32_t>(*number) ^ kInt32Bias;
              }
              break;
            case ColumnKind::Binary:
              if (number) return kBadValue;
              if (!CellText(cell).empty()) {
                value = 1;
                out->binaryCells.push_back({BinaryStreamName(*table, row), CellText(cell)});
              }
              break;
          }
          current.values.push_back(value);
        }
      }
    }
    stored.push_back(std::move(current));
  }

  out->tables.reserve(stored.size() + 2);
  for (StoredTable* table : {&tables, &columnsTable})
    if (table->rowCount > 0) out->tables.push_back(std::move(*table));
  for (StoredTable& table : stored)
    if (table.rowCount > 0) out->tables.push_back(std::move(table));
  return kOk;
}

// The stream of a table: rows sorted by their stored key values as unsigned numbers (string
// references by number, integers with their bias), then written column after column.
std::string TableStream(const StoredTable& table, int referenceSize) {
  const size_t columns = table.columns.size();
  const uint32_t* values = table.values.data();
  // The rows' positions in the order of their stored keys, equal keys in row order.
  std::vector<uint64_t> order(table.rowCount);
  if (table.keyColumns == 1 && table.rowCount <= UINT32_MAX) {
    // One key value and the position in one number: the sort compares numbers in one array
    // instead of reading each row's key elsewhere at every comparison.
    for (size_t row = 0; row < table.rowCount; ++row) order[row] = (uint64_t{values[row * columns]} << 32) | row;
    std::sort(order.begin(), order.end());
    for (uint64_t& entry : order) entry &= UINT32_MAX;
  } else {
    std::iota(order.begin(), order.end(), uint64_t{0});
    std::sort(order.begin(), order.end(), [&](uint64_t a, uint64_t b) {
      for (size_t c = 0; c < table.keyColumns; ++c) {
        uint32_t x = values[a * columns + c], y = values[b * columns + c];
        if (x != y) return x < y;
      }
      return a < b;
    });
  }
  std::string stream;
  stream.reserve(RowWidth(table, referenceSize) * table.rowCount);
  for (size_t c = 0; c < columns; ++c) {
    size_t width = StoredWidth(table.columns[c], referenceSize);
    for (const uint64_t row : order) AppendStored(stream, values[row * columns + c], width);
  }
  return stream;
}

size_t TableStreamSize(const StoredTable& table, int referenceSize) {
  return RowWidth(table, referenceSize) * table.rowCount;
}

}  // namespace qv::engine
