// Registry entries: rows of the Registry table.
#include <array>

#include "typed_items.h"

namespace qv::engine {

namespace {

class RegistryEntryObject : public ComObject<IRegistryEntry> {
 public:
  RegistryEntryObject(ContextPtr context, Table* table, RowId id) : context_(std::move(context)), table_(table), id_(id) {}

  HResult SetKey(const std::string& key) override { return context_->db->RenameKey(*table_, id_, key); }
  HResult SetRoot(int32_t root) override {
    if (root < -1 || root > 3) return kBadValue;  // -1: per user or machine; 0..3: HKCR, HKCU, HKLM, HKU
    return SetColumn(*table_, id_, "Root", root);
  }
  HResult SetKeyPath(const std::string& keyPath) override { return SetColumn(*table_, id_, "Key", TextCell(keyPath)); }
  HResult SetName(const std::string& name) override { return SetColumn(*table_, id_, "Name", TextCell(name)); }
  HResult SetValue(const std::string& value) override { return SetColumn(*table_, id_, "Value", TextCell(value)); }
  HResult SetComponent(const std::string& name) override {
    return SetColumn(*table_, id_, "Component_", TextCell(name));
  }

 private:
  ContextPtr context_;
  Table* table_;
  RowId id_;
};

class RegistryCollectionObject : public ComObject<IRegistryCollection> {
 public:
  RegistryCollectionObject(ContextPtr context, Table* table) : context_(std::move(context)), table_(table) {
    for (size_t i = 0; i < kRowColumns.size(); ++i) rowColumns_[i] = table_->ColumnIndex(kRowColumns[i]);
  }

  HResult BeginAdditions() override { return kOk; }
  HResult EndAdditions() override { return kOk; }
  HResult AddNew(IRegistryEntry** entry) override {
    if (!entry) return kPointer;
    *entry = nullptr;
    Row row(table_->Columns().size());
    row[0] = TextCell(context_->NewPlaceholderKey(*table_, "NewRegistry."));
    if (int c = table_->ColumnIndex("Root"); c >= 0) row[c] = int32_t{2};  // HKEY_LOCAL_MACHINE until set
    RowId id;
    HResult hr = table_->Insert(std::move(row), &id);
    if (Failed(hr)) return hr;
    return HandOver(New<RegistryEntryObject>(context_, table_, id), entry);
  }
  HResult GetCount(int32_t* count) override {
    if (!count) return kPointer;
    *count = static_cast<int32_t>(table_->RowCount());
    return kOk;
  }
  HResult Add(const RegistryRow& cells) override {
    if (cells.root < -1 || cells.root > 3) return kBadValue;
    Row row(table_->Columns().size());
    Cell values[] = {TextCell(cells.key),  cells.root,           TextCell(cells.keyPath),
                     TextCell(cells.name), TextCell(cells.value), TextCell(cells.component)};
    for (size_t i = 0; i < kRowColumns.size(); ++i) {
      const int index = rowColumns_[i];
      if (index < 0) return kNotFound;
      if (const HResult fits = CheckCell(table_->Columns()[index], values[i]); Failed(fits)) return fits;
      row[index] = std::move(values[i]);
    }
    return table_->Insert(std::move(row));
  }

 private:
  // The columns that Add fills, in the order of RegistryRow; their indexes are looked up once.
  static constexpr std::array<const char*, 6> kRowColumns = {"Registry", "Root", "Key", "Name", "Value", "Component_"};

  ContextPtr context_;
  Table* table_;
  std::array<int, 6> rowColumns_{};
};

}  // namespace

HResult MakeRegistryCollection(const ContextPtr& context, IRegistryCollection** out) {
  Table* table = RequireTable(context, "Registry");
  if (!table) return kNotFound;
  return HandOver(New<RegistryCollectionObject>(context, table), out);
}

}  // namespace qv::engine
