#include "table.h"

#include <algorithm>

namespace qv::engine {

Table::Table(std::string name, std::vector<ColumnDef> columns)
    : name_(std::move(name)), columns_(std::move(columns)), keyIndex_(KeyLess(this)) {
  while (keyColumns_ < columns_.size() && columns_[keyColumns_].primaryKey) ++keyColumns_;
  // A table without a declared key is keyed on its first column.
  if (keyColumns_ == 0 && !columns_.empty()) {
    columns_[0].primaryKey = true;
    keyColumns_ = 1;
  }
  for (size_t i = keyColumns_; i < columns_.size(); ++i) columns_[i].primaryKey = false;
}

bool Table::KeyLess::Less(std::span<const Cell> a, std::span<const Cell> b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i)
    if (int order = CompareCells(a[i], b[i]); order != 0) return order < 0;
  return a.size() < b.size();
}

int Table::ColumnIndex(std::string_view name) const {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].name == name) return static_cast<int>(i);
  return -1;
}

Key Table::KeyOf(const Row& row) const { return Key(row.begin(), row.begin() + keyColumns_); }

Row* Table::Live(RowId id) {
  if (id == 0 || id > rows_.size() || rows_[id - 1].empty()) return nullptr;
  return &rows_[id - 1];
}

const Row* Table::Get(RowId id) const { return const_cast<Table*>(this)->Live(id); }

HResult Table::Insert(Row row, RowId* id) {
  if (row.size() != columns_.size() || row.empty()) return kInvalidArg;
  std::span<const Cell> key(row.data(), keyColumns_);
  const KeyLess& less = keyIndex_.key_comp();
  // at: the first row whose key is not less than the new one.
  KeyIndex::iterator at;
  const bool afterLast = lastInserted_ != keyIndex_.end() && less(*lastInserted_, key) &&
                         (std::next(lastInserted_) == keyIndex_.end() || less(key, *std::next(lastInserted_)));
  if (afterLast) {
    at = std::next(lastInserted_);
  } else {
    at = keyIndex_.lower_bound(key);
    if (at != keyIndex_.end() && !less(key, *at)) return kDuplicateKey;
  }
  rows_.push_back(std::move(row));
  const RowId newId = rows_.size();
  lastInserted_ = keyIndex_.emplace_hint(at, newId);
  for (auto& [column, index] : valueIndexes_) AddNewest(index, column, newId);
  ++version_;
  if (id) *id = newId;
  return kOk;
}

HResult Table::Update(RowId id, Row row) {
  Row* current = Live(id);
  if (!current) return kNotFound;
  if (row.size() != columns_.size()) return kInvalidArg;
  const bool keyChanged = !std::equal(row.begin(), row.begin() + keyColumns_, current->begin());
  if (keyChanged && Find(KeyOf(row), nullptr)) return kDuplicateKey;
  // Out of every index while the cells change, back in with the new ones.
  if (keyChanged) {
    ForgetLastInserted(id);
    keyIndex_.erase(id);
  }
  for (auto& [column, index] : valueIndexes_) index.Changing().erase(id);
  *current = std::move(row);
  if (keyChanged) keyIndex_.insert(id);
  for (auto& [column, index] : valueIndexes_) index.rows.insert(id);
  ++version_;
  return kOk;
}

HResult Table::SetCell(RowId id, size_t column, Cell value) {
  Row* row = Live(id);
  if (!row || column >= columns_.size()) return kNotFound;
  if ((*row)[column] == value) return kOk;
  // Only what the column takes part in is re-indexed: the key index for a key column, the
  // value index of this column if one was made. Their nodes are taken out while the cell
  // changes and put back, not made anew.
  KeyIndex::node_type keyNode;
  if (column < keyColumns_) {
    std::span<const Cell> newKey(&value, 1);
    Key longerKey;  // copied only when the key has more cells than this one
    if (keyColumns_ > 1) {
      longerKey = KeyOf(*row);
      longerKey[column] = value;
      newKey = longerKey;
    }
    if (keyIndex_.find(newKey) != keyIndex_.end()) return kDuplicateKey;
    ForgetLastInserted(id);
    keyNode = keyIndex_.extract(id);
  }
  auto index = valueIndexes_.find(column);
  ValueSet::node_type valueNode;
  if (index != valueIndexes_.end()) valueNode = index->second.Changing().extract(id);
  (*row)[column] = std::move(value);
  if (keyNode) keyIndex_.insert(std::move(keyNode));
  if (valueNode) index->second.rows.insert(std::move(valueNode));
  ++version_;
  return kOk;
}

HResult Table::Erase(RowId id) {
  Row* row = Live(id);
  if (!row) return kNotFound;
  ForgetLastInserted(id);
  keyIndex_.erase(id);
  for (auto& [column, index] : valueIndexes_) index.Changing().erase(id);
  Row().swap(*row);
  ++version_;
  return kOk;
}

bool Table::Find(const Key& key, RowId* id) const {
  auto it = keyIndex_.find(std::span<const Cell>(key));
  if (it == keyIndex_.end()) return false;
  if (id) *id = *it;
  return true;
}

Table::ValueIndex& Table::IndexOf(size_t column) const {
  auto found = valueIndexes_.find(column);
  if (found != valueIndexes_.end()) return found->second;
  ValueIndex& index = valueIndexes_.try_emplace(column, this, column).first->second;
  for (RowId id = 1; id <= rows_.size(); ++id)
    if (!rows_[id - 1].empty()) AddNewest(index, column, id);
  return index;
}

void Table::AddNewest(ValueIndex& index, size_t column, RowId id) const {
  const Cell& value = rows_[id - 1][column];
  for (size_t i = 0; i < index.remembered; ++i) {
    ValueSet::iterator& last = index.lastOfValue[i];
    if (CompareCells(rows_[*last - 1][column], value) == 0) {
      // A hint that is not right (a row of this value re-indexed after it) only costs the walk.
      last = index.rows.emplace_hint(std::next(last), id);
      return;
    }
  }
  const ValueSet::iterator at = index.rows.insert(id).first;
  if (index.remembered < ValueIndex::kRemembered) {
    index.lastOfValue[index.remembered++] = at;
  } else {
    index.lastOfValue[index.replaceNext] = at;
    index.replaceNext = (index.replaceNext + 1) % ValueIndex::kRemembered;
  }
}

std::vector<RowId> Table::RowsWhere(size_t column, const Cell& value) const {
  std::vector<RowId> ids;
  if (column >= columns_.size()) return ids;
  const ValueSet& index = IndexOf(column).rows;
  for (auto it = index.lower_bound(ValueProbe{&value, 0}); it != index.end() && rows_[*it - 1][column] == value; ++it)
    ids.push_back(*it);
  return ids;  // RowIds grow with insertion, so this is insertion order
}

HResult CheckCell(const ColumnDef& column, const Cell& value) {
  if (IsNull(value)) return column.nullable ? kOk : kBadValue;
  switch (column.kind) {
    case ColumnKind::String: {
      if (!value.IsText()) return kBadValue;
      if (column.length > 0 && Utf8Length(value.Text()) > static_cast<size_t>(column.length)) return kBadValue;
      return kOk;
    }
    case ColumnKind::Int16: {
      const std::optional<int32_t> number = value.Number();
      // -32768 is the null value of a 2-byte column.
      if (!number || *number < -32767 || *number > 32767) return kBadValue;
      return kOk;
    }
    case ColumnKind::Int32: {
      const std::optional<int32_t> number = value.Number();
      // 0x80000000 is the null value of a 4-byte column.
      if (!number || *number == INT32_MIN) return kBadValue;
      return kOk;
    }
    case ColumnKind::Binary:
      return value.IsText() ? kOk : kBadValue;
  }
  return kBadValue;
}

}  // namespace qv::engine
