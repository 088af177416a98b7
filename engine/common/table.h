// One table of the in-memory database: its columns, its rows with stable identities, an
// ordered index on the primary key, and secondary indexes made on demand for look-ups by a
// column value (foreign keys). Every operation costs O(log n).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "column.h"
#include "qv/com.h"

namespace qv::engine {

using RowId = uint64_t;
using Row = std::vector<Cell>;
using Key = std::vector<Cell>;

class Table {
 public:
  // Primary-key columns must come first (the MSI format stores them so).
  Table(std::string name, std::vector<ColumnDef> columns);

  const std::string& Name() const { return name_; }
  const std::vector<ColumnDef>& Columns() const { return columns_; }
  size_t KeyColumnCount() const { return keyColumns_; }
  // 0-based index of the named column (case-sensitive), or -1.
  int ColumnIndex(std::string_view name) const;
  size_t RowCount() const { return rows_.size(); }
  // Changes with every insert, update and erase (for caches kept by callers).
  uint64_t Version() const { return version_; }

  Key KeyOf(const Row& row) const;

  // kDuplicateKey when a row with the same primary key exists; kInvalidArg when the row has
  // the wrong number of cells.
  HResult Insert(Row row, RowId* id = nullptr);
  const Row* Get(RowId id) const;
  // Replaces the row's cells; a changed key is re-indexed (kDuplicateKey when taken, and the
  // row is then unchanged).
  HResult Update(RowId id, Row row);
  HResult SetCell(RowId id, size_t column, Cell value);
  HResult Erase(RowId id);
  bool Find(const Key& key, RowId* id) const;

  // Rows in primary-key order.
  const std::map<Key, RowId>& KeyOrder() const { return keyIndex_; }
  // Rows whose column holds value, in insertion order.
  std::vector<RowId> RowsWhere(size_t column, const Cell& value) const;

 private:
  using ValueIndex = std::set<std::pair<Cell, RowId>>;
  ValueIndex& IndexOf(size_t column) const;
  void IndexRow(RowId id, const Row& row);
  void UnindexRow(RowId id, const Row& row);

  std::string name_;
  std::vector<ColumnDef> columns_;
  size_t keyColumns_ = 0;
  std::unordered_map<RowId, Row> rows_;
  std::map<Key, RowId> keyIndex_;
  mutable std::map<size_t, ValueIndex> valueIndexes_;
  RowId nextId_ = 1;
  uint64_t version_ = 0;
};

// Whether value fits column: kind, string length (in characters), nullability.
HResult CheckCell(const ColumnDef& column, const Cell& value);

}  // namespace qv::engine
