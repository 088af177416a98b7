#include "table.h"

#include <algorithm>

namespace qv::engine {

Table::Table(std::string name, std::vector<ColumnDef> columns)
    : name_(std::move(name)), columns_(std::move(columns)) {
  while (keyColumns_ < columns_.size() && columns_[keyColumns_].primaryKey) ++keyColumns_;
  // A table without a declared key is keyed on its first column.
  if (keyColumns_ == 0 && !columns_.empty()) {
    columns_[0].primaryKey = true;
    keyColumns_ = 1;
  }
  for (size_t i = keyColumns_; i < columns_.size(); ++i) columns_[i].primaryKey = false;
}

int Table::ColumnIndex(std::string_view name) const {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].name == name) return static_cast<int>(i);
  return -1;
}

Key Table::KeyOf(const Row& row) const { return Key(row.begin(), row.begin() + keyColumns_); }

HResult Table::Insert(Row row, RowId* id) {
  if (row.size() != columns_.size()) return kInvalidArg;
  auto [it, inserted] = keyIndex_.emplace(KeyOf(row), nextId_);
  if (!inserted) return kDuplicateKey;
  RowId newId = nextId_++;
  IndexRow(newId, row);
  rows_.emplace(newId, std::move(row));
  ++version_;
  if (id) *id = newId;
  return kOk;
}

const Row* Table::Get(RowId id) const {
  auto it = rows_.find(id);
  return it == rows_.end() ? nullptr : &it->second;
}

HResult Table::Update(RowId id, Row row) {
  auto it = rows_.find(id);
  if (it == rows_.end()) return kNotFound;
  if (row.size() != columns_.size()) return kInvalidArg;
  Key oldKey = KeyOf(it->second);
  Key newKey = KeyOf(row);
  if (oldKey != newKey) {
    if (keyIndex_.count(newKey)) return kDuplicateKey;
    keyIndex_.erase(oldKey);
    keyIndex_.emplace(std::move(newKey), id);
  }
  UnindexRow(id, it->second);
  it->second = std::move(row);
  IndexRow(id, it->second);
  ++version_;
  return kOk;
}

HResult Table::SetCell(RowId id, size_t column, Cell value) {
  auto it = rows_.find(id);
  if (it == rows_.end() || column >= columns_.size()) return kNotFound;
  Row& row = it->second;
  if (row[column] == value) return kOk;
  // Only what the column takes part in is re-indexed: the key index for a key column, the
  // value index of this column if one was made.
  if (column < keyColumns_) {
    Key oldKey = KeyOf(row);
    Key newKey = oldKey;
    newKey[column] = value;
    if (keyIndex_.count(newKey)) return kDuplicateKey;
    auto node = keyIndex_.extract(oldKey);
    node.key() = std::move(newKey);
    keyIndex_.insert(std::move(node));
  }
  if (auto index = valueIndexes_.find(column); index != valueIndexes_.end()) {
    auto node = index->second.extract({row[column], id});
    node.value().first = value;
    index->second.insert(std::move(node));
  }
  row[column] = std::move(value);
  ++version_;
  return kOk;
}

HResult Table::Erase(RowId id) {
  auto it = rows_.find(id);
  if (it == rows_.end()) return kNotFound;
  keyIndex_.erase(KeyOf(it->second));
  UnindexRow(id, it->second);
  rows_.erase(it);
  ++version_;
  return kOk;
}

bool Table::Find(const Key& key, RowId* id) const {
  auto it = keyIndex_.find(key);
  if (it == keyIndex_.end()) return false;
  if (id) *id = it->second;
  return true;
}

Table::ValueIndex& Table::IndexOf(size_t column) const {
  auto found = valueIndexes_.find(column);
  if (found != valueIndexes_.end()) return found->second;
  ValueIndex& index = valueIndexes_[column];
  for (const auto& [id, row] : rows_) index.emplace(row[column], id);
  return index;
}

std::vector<RowId> Table::RowsWhere(size_t column, const Cell& value) const {
  std::vector<RowId> ids;
  if (column >= columns_.size()) return ids;
  const ValueIndex& index = IndexOf(column);
  for (auto it = index.lower_bound({value, 0}); it != index.end() && it->first == value; ++it)
    ids.push_back(it->second);
  return ids;  // RowIds grow with insertion, so this is insertion order
}

void Table::IndexRow(RowId id, const Row& row) {
  for (auto& [column, index] : valueIndexes_) index.emplace(row[column], id);
}

void Table::UnindexRow(RowId id, const Row& row) {
  for (auto& [column, index] : valueIndexes_) index.erase({row[column], id});
}

HResult CheckCell(const ColumnDef& column, const Cell& value) {
  if (IsNull(value)) return column.nullable ? kOk : kBadValue;
  switch (column.kind) {
    case ColumnKind::String: {
      const auto* text = std::get_if<std::string>(&value);
      if (!text) return kBadValue;
      if (column.length > 0 && Utf8Length(*text) > static_cast<size_t>(column.length)) return kBadValue;
      return kOk;
    }
    case ColumnKind::Int16: {
      const auto* number = std::get_if<int32_t>(&value);
      // -32768 is the null value of a 2-byte column.
      if (!number || *number < -32767 || *number > 32767) return kBadValue;
      return kOk;
    }
    case ColumnKind::Int32: {
      const auto* number = std::get_if<int32_t>(&value);
      // 0x80000000 is the null value of a 4-byte column.
      if (!number || *number == INT32_MIN) return kBadValue;
      return kOk;
    }
    case ColumnKind::Binary:
      return std::holds_alternative<std::string>(value) ? kOk : kBadValue;
  }
  return kBadValue;
}

}  // namespace qv::engine
