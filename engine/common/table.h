// One table of the in-memory database: its columns, its rows with stable identities, an
// ordered index on the primary key, and secondary indexes made on demand for look-ups by a
// column value (foreign keys). Every operation costs O(log n).
//
// The rows lie in a deque by identity, and the indexes hold identities only, ordered by
// the cells of the rows they name: a row's text is stored once, whatever indexes it is in.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <iterator>
#include <map>
#include <set>
#include <span>
#include <string>
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
  // Orders row identities by their rows' key cells; also compares them with a key, or with a
  // leading part of one, as vectors of cells compare.
  class KeyLess {
   public:
    using is_transparent = void;
    explicit KeyLess(const Table* table) : table_(table) {}
    bool operator()(RowId a, RowId b) const { return Less(KeyCells(a), KeyCells(b)); }
    bool operator()(RowId a, std::span<const Cell> key) const { return Less(KeyCells(a), key); }
    bool operator()(std::span<const Cell> key, RowId b) const { return Less(key, KeyCells(b)); }

   private:
    std::span<const Cell> KeyCells(RowId id) const { return table_->KeyCells(id); }
    static bool Less(std::span<const Cell> a, std::span<const Cell> b);
    const Table* table_;
  };
  using KeyIndex = std::set<RowId, KeyLess>;

  // The rows in primary-key order, each as (its key cells, its identity), read from the index.
  class KeyOrderView {
   public:
    using Entry = std::pair<std::span<const Cell>, RowId>;
    class Iterator {
     public:
      using iterator_category = std::bidirectional_iterator_tag;
      using value_type = Entry;
      using difference_type = std::ptrdiff_t;
      using reference = Entry;
      struct Arrow {
        Entry entry;
        const Entry* operator->() const { return &entry; }
      };
      Iterator() = default;
      Iterator(const Table* table, KeyIndex::const_iterator at) : table_(table), at_(at) {}
      Entry operator*() const { return {table_->KeyCells(*at_), *at_}; }
      Arrow operator->() const { return {**this}; }
      Iterator& operator++() {
        ++at_;
        return *this;
      }
      Iterator& operator--() {
        --at_;
        return *this;
      }
      bool operator==(const Iterator& other) const { return at_ == other.at_; }

     private:
      const Table* table_ = nullptr;
      KeyIndex::const_iterator at_;
    };

    explicit KeyOrderView(const Table* table) : table_(table) {}
    Iterator begin() const { return {table_, table_->keyIndex_.begin()}; }
    Iterator end() const { return {table_, table_->keyIndex_.end()}; }
    bool empty() const { return table_->keyIndex_.empty(); }
    size_t size() const { return table_->keyIndex_.size(); }
    // The first row whose key is not less than (lower_bound) or greater than (upper_bound) key,
    // a whole key or a leading part of one.
    Iterator lower_bound(std::span<const Cell> key) const { return {table_, table_->keyIndex_.lower_bound(key)}; }
    Iterator upper_bound(std::span<const Cell> key) const { return {table_, table_->keyIndex_.upper_bound(key)}; }

   private:
    const Table* table_;
  };

  // Primary-key columns must come first (the MSI format stores them so).
  Table(std::string name, std::vector<ColumnDef> columns);
  // The indexes refer to the table they belong to.
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const std::string& Name() const { return name_; }
  const std::vector<ColumnDef>& Columns() const { return columns_; }
  size_t KeyColumnCount() const { return keyColumns_; }
  // 0-based index of the named column (case-sensitive), or -1.
  int ColumnIndex(std::string_view name) const;
  size_t RowCount() const { return keyIndex_.size(); }
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
  // Sets one cell; only the indexes of that column are touched (kDuplicateKey as for Update).
  HResult SetCell(RowId id, size_t column, Cell value);
  HResult Erase(RowId id);
  bool Find(const Key& key, RowId* id) const;

  // Rows in primary-key order.
  KeyOrderView KeyOrder() const { return KeyOrderView(this); }
  // Rows whose column holds value, in insertion order.
  std::vector<RowId> RowsWhere(size_t column, const Cell& value) const;

 private:
  // A value to look up in a value index: rows with that value sort after {value, 0}.
  struct ValueProbe {
    const Cell* value;
    RowId id;
  };
  // Orders row identities by one column's cells, then by identity.
  class ValueLess {
   public:
    using is_transparent = void;
    ValueLess(const Table* table, size_t column) : table_(table), column_(column) {}
    bool operator()(RowId a, RowId b) const { return Less({&CellOf(a), a}, {&CellOf(b), b}); }
    bool operator()(RowId a, const ValueProbe& b) const { return Less({&CellOf(a), a}, b); }
    bool operator()(const ValueProbe& a, RowId b) const { return Less(a, {&CellOf(b), b}); }

   private:
    const Cell& CellOf(RowId id) const { return table_->rows_[id - 1][column_]; }
    static bool Less(const ValueProbe& a, const ValueProbe& b) {
      const int order = CompareCells(*a.value, *b.value);
      return order != 0 ? order < 0 : a.id < b.id;
    }
    const Table* table_;
    size_t column_;
  };
  using ValueSet = std::set<RowId, ValueLess>;
  // The rows of one column's index, and where the last rows of a few of its values went. A new
  // row has the largest identity, so it belongs right after the last row of its value: when
  // that value is remembered, the row goes in beside it without a walk down the tree (a column
  // like Component_ holds the same few values row after row).
  struct ValueIndex {
    ValueIndex(const Table* table, size_t column) : rows(ValueLess(table, column)) {}
    static constexpr size_t kRemembered = 4;
    ValueSet rows;
    std::array<ValueSet::iterator, kRemembered> lastOfValue{};
    size_t remembered = 0;   // valid entries of lastOfValue
    size_t replaceNext = 0;  // the entry a value not remembered takes, in turn
    // Before a row is taken out, whose position may be remembered.
    ValueSet& Changing() {
      remembered = 0;
      return rows;
    }
  };

  Row* Live(RowId id);
  std::span<const Cell> KeyCells(RowId id) const { return std::span<const Cell>(rows_[id - 1]).first(keyColumns_); }
  // Before the row leaves the key index.
  void ForgetLastInserted(RowId id) {
    if (lastInserted_ != keyIndex_.end() && *lastInserted_ == id) lastInserted_ = keyIndex_.end();
  }
  ValueIndex& IndexOf(size_t column) const;
  // Adds the row with the largest identity so far to a value index.
  void AddNewest(ValueIndex& index, size_t column, RowId id) const;

  std::string name_;
  std::vector<ColumnDef> columns_;
  size_t keyColumns_ = 0;
  // By identity - 1; an erased row is left empty, so that identities stay stable. A deque keeps
  // the rows in place as rows are added, so that a row handed out by Get stays valid.
  std::deque<Row> rows_;
  KeyIndex keyIndex_;
  // Where the last inserted row went, while it is there: keys are often added in order
  // ("Registry_1", "Registry_2", ...), and a new key that belongs right after it goes in
  // without a walk down the tree comparing long common beginnings.
  KeyIndex::iterator lastInserted_ = keyIndex_.end();
  mutable std::map<size_t, ValueIndex> valueIndexes_;
  uint64_t version_ = 0;
};

// Whether value fits column: kind, string length (in characters), nullability.
HResult CheckCell(const ColumnDef& column, const Cell& value);

}  // namespace qv::engine
