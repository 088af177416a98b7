#include "table_objects.h"

#include "view_query.h"

namespace qv::engine {

namespace {

// A row of a table: new (not yet in the table) until Commit inserts it; afterwards, or when
// read through a view, it holds the row's identity and a copy of its cells that Commit writes
// back.
class RowObject : public ComObject<IRow> {
 public:
  RowObject(ContextPtr context, Table* table) : context_(std::move(context)), table_(table), cells_(table->Columns().size()) {}
  RowObject(ContextPtr context, Table* table, RowId id)
      : context_(std::move(context)), table_(table), id_(id), committed_(true), cells_(*table->Get(id)) {}

  HResult GetFields(IFieldCollection** fields) override;

  HResult Commit(int32_t) override {
    const auto& columns = table_->Columns();
    for (size_t c = 0; c < columns.size(); ++c)
      if (Failed(CheckCell(columns[c], cells_[c]))) return kBadValue;
    if (!committed_) {
      HResult hr = table_->Insert(cells_, &id_);
      if (Failed(hr)) return hr;
      committed_ = true;
      return kOk;
    }
    return table_->Update(id_, cells_);
  }

  HResult Delete() override {
    if (!committed_) return kNotFound;
    HResult hr = table_->Erase(id_);
    if (Succeeded(hr)) committed_ = false;
    return hr;
  }

  const ColumnDef& Column(size_t c) const { return table_->Columns()[c]; }
  size_t ColumnCount() const { return cells_.size(); }
  Cell& CellAt(size_t c) { return cells_[c]; }

 private:
  ContextPtr context_;
  Table* table_;
  RowId id_ = 0;
  bool committed_ = false;
  Row cells_;
};

class FieldObject : public ComObject<IField> {
 public:
  FieldObject(RowObject* row, size_t column) : row_(row), column_(column) {}

  HResult GetName(std::string* name) override {
    if (!name) return kPointer;
    *name = row_->Column(column_).name;
    return kOk;
  }
  HResult GetValue(Variant* value) override {
    if (!value) return kPointer;
    *value = CellToVariant(row_->CellAt(column_));
    return kOk;
  }
  HResult SetValue(const Variant& value) override {
    Cell cell;
    HResult hr = VariantToCell(row_->Column(column_), value, &cell);
    if (Failed(hr)) return hr;
    row_->CellAt(column_) = std::move(cell);
    return kOk;
  }

 private:
  ComPtr<RowObject> row_;
  size_t column_;
};

class FieldCollectionObject : public ComObject<IFieldCollection> {
 public:
  explicit FieldCollectionObject(RowObject* row) : row_(row) {}
  HResult GetCount(int32_t* count) override {
    if (!count) return kPointer;
    *count = static_cast<int32_t>(row_->ColumnCount());
    return kOk;
  }
  HResult Item(int32_t column, IField** field) override {
    if (!field) return kPointer;
    *field = nullptr;
    if (column < 1 || static_cast<size_t>(column) > row_->ColumnCount()) return kNotFound;
    return HandOver(New<FieldObject>(row_.Get(), static_cast<size_t>(column - 1)), field);
  }

 private:
  ComPtr<RowObject> row_;
};

HResult RowObject::GetFields(IFieldCollection** fields) { return HandOver(New<FieldCollectionObject>(this), fields); }

// Walks the rows of a table in key order; the position is the last key handed out, so the
// walk survives changes to the table.
class ViewObject : public ComObject<IView> {
 public:
  ViewObject(ContextPtr context, Table* table, std::vector<std::pair<size_t, Cell>> conditions, bool matchesNothing)
      : context_(std::move(context)), table_(table), conditions_(std::move(conditions)), matchesNothing_(matchesNothing) {}

  HResult Next(IRow** row) override {
    if (!row) return kPointer;
    *row = nullptr;
    if (matchesNothing_) return kFalse;
    const auto& order = table_->KeyOrder();
    auto it = started_ ? order.upper_bound(last_) : order.begin();
    for (; it != order.end(); ++it) {
      const Row& cells = *table_->Get(it->second);
      bool match = true;
      for (const auto& [column, value] : conditions_)
        if (!(cells[column] == value)) {
          match = false;
          break;
        }
      if (!match) continue;
      started_ = true;
      last_ = table_->KeyOf(cells);
      return HandOver(New<RowObject>(context_, table_, it->second), row);
    }
    if (!order.empty()) {
      started_ = true;
      last_ = table_->KeyOf(*table_->Get((*--order.end()).second));
    }
    return kFalse;
  }
  HResult Reset() override {
    started_ = false;
    last_.clear();
    return kOk;
  }

 private:
  ContextPtr context_;
  Table* table_;
  std::vector<std::pair<size_t, Cell>> conditions_;
  bool matchesNothing_;
  bool started_ = false;
  Key last_;
};

class TableObject : public ComObject<ITable> {
 public:
  TableObject(ContextPtr context, Table* table) : context_(std::move(context)), table_(table) {}

  HResult GetName(std::string* name) override {
    if (!name) return kPointer;
    *name = table_->Name();
    return kOk;
  }
  HResult GetColumnCount(int32_t* count) override {
    if (!count) return kPointer;
    *count = static_cast<int32_t>(table_->Columns().size());
    return kOk;
  }
  HResult GetRowCount(int32_t* count) override {
    if (!count) return kPointer;
    *count = static_cast<int32_t>(table_->RowCount());
    return kOk;
  }
  HResult AddRow(IRow** row) override { return HandOver(New<RowObject>(context_, table_), row); }

  HResult OpenView(const std::string& text, IView** view) override {
    if (!view) return kPointer;
    *view = nullptr;
    ViewQuery query;
    if (!ParseViewQuery(text, &query)) return kInvalidArg;
    if (query.table != table_->Name()) return kNotFound;
    std::vector<std::pair<size_t, Cell>> conditions;
    bool matchesNothing = false;
    for (const ViewCondition& condition : query.conditions) {
      int column = table_->ColumnIndex(condition.column);
      if (column < 0) return kNotFound;
      Cell value;
      // A value that cannot fit the column matches no row.
      if (Failed(VariantToCell(table_->Columns()[column], condition.value, &value))) matchesNothing = true;
      conditions.emplace_back(static_cast<size_t>(column), std::move(value));
    }
    return HandOver(New<ViewObject>(context_, table_, std::move(conditions), matchesNothing), view);
  }

  HResult FindRow(const std::vector<Variant>& key, IRow** row) override {
    if (!row) return kPointer;
    *row = nullptr;
    if (key.size() != table_->KeyColumnCount()) return kInvalidArg;
    Key cells;
    for (size_t c = 0; c < key.size(); ++c) {
      Cell cell;
      if (Failed(VariantToCell(table_->Columns()[c], key[c], &cell))) return kFalse;
      cells.push_back(std::move(cell));
    }
    RowId id;
    if (!table_->Find(cells, &id)) return kFalse;
    return HandOver(New<RowObject>(context_, table_, id), row);
  }

 private:
  ContextPtr context_;
  Table* table_;
};

class TableCollectionObject : public ComObject<ITableCollection> {
 public:
  explicit TableCollectionObject(ContextPtr context) : context_(std::move(context)) {}

  HResult GetCount(int32_t* count) override {
    if (!count) return kPointer;
    *count = static_cast<int32_t>(context_->db->Tables().size());
    return kOk;
  }
  HResult Item(int32_t index, ITable** table) override {
    if (!table) return kPointer;
    *table = nullptr;
    auto tables = context_->db->Tables();
    if (index < 0 || static_cast<size_t>(index) >= tables.size()) return kNotFound;
    return MakeTableObject(context_, tables[index], table);
  }
  HResult Find(const std::string& filter, ITable** table) override {
    if (!table) return kPointer;
    *table = nullptr;
    std::string name;
    if (!ParseNameFilter(filter, &name)) return kInvalidArg;
    Table* found = context_->db->FindTable(name);
    if (!found) return kFalse;
    return MakeTableObject(context_, found, table);
  }

 private:
  ContextPtr context_;
};

}  // namespace

bool ParseNameFilter(const std::string& filter, std::string* name) {
  size_t pos = filter.find_first_not_of(" \t");
  if (pos == std::string::npos) return false;
  std::string rest = filter.substr(pos);
  bool quoted = rest[0] == '`';
  if (quoted) rest = rest.substr(1);
  if (rest.compare(0, 4, "Name") != 0) return false;
  rest = rest.substr(4);
  if (quoted) {
    if (rest.empty() || rest[0] != '`') return false;
    rest = rest.substr(1);
  }
  pos = rest.find_first_not_of(" \t");
  if (pos == std::string::npos || rest[pos] != '=') return false;
  pos = rest.find_first_not_of(" \t", pos + 1);
  if (pos == std::string::npos || rest[pos] != '\'') return false;
  size_t end = rest.find('\'', pos + 1);
  if (end == std::string::npos || rest.find_first_not_of(" \t", end + 1) != std::string::npos) return false;
  *name = rest.substr(pos + 1, end - pos - 1);
  return true;
}

HResult MakeTableCollection(const ContextPtr& context, ITableCollection** out) {
  return HandOver(New<TableCollectionObject>(context), out);
}

HResult MakeTableObject(const ContextPtr& context, Table* table, ITable** out) {
  return HandOver(New<TableObject>(context, table), out);
}

}  // namespace qv::engine
