// Components: rows of the Component table, with the project data kept beside them
// (QvComponentInfo: description and enabled flag; QvAppPath; FeatureComponents).
#include <algorithm>

#include "qv/project_tables.h"
#include "typed_items.h"

namespace qv::engine {

namespace {

constexpr const char* kComponent = "Component";

class ComponentObject : public ComObject<IComponent> {
 public:
  ComponentObject(ContextPtr context, Table* table, RowId id) : context_(std::move(context)), table_(table), id_(id) {}

  HResult GetName(std::string* name) override { return GetTextColumn(*table_, id_, "Component", name); }
  HResult SetName(const std::string& name) override { return context_->db->RenameKey(*table_, id_, name); }
  HResult GetGuid(std::string* guid) override { return GetTextColumn(*table_, id_, "ComponentId", guid); }
  HResult SetGuid(const std::string& guid) override {
    if (!guid.empty() && !IsRegistryGuid(guid)) return kBadValue;
    return SetColumn(*table_, id_, "ComponentId", TextCell(guid));
  }
  HResult SetEnabled(bool enabled) override {
    Table* info = RequireTable(context_, kComponentInfoTable);
    if (!info) return kNotFound;
    return UpsertByKey(*info, {TextCell(Name())}, "Enabled", int32_t{enabled ? 1 : 0});
  }
  HResult GetDirectory(std::string* key) override { return GetTextColumn(*table_, id_, "Directory_", key); }
  HResult SetDirectory(const std::string& directory) override {
    std::string key;
    HResult hr = context_->directories.KeyForPath(*context_->db, directory, &key);
    if (Failed(hr)) return hr;
    return SetColumn(*table_, id_, "Directory_", TextCell(key));
  }
  HResult GetCondition(std::string* condition) override { return GetTextColumn(*table_, id_, "Condition", condition); }
  HResult SetCondition(const std::string& condition) override {
    return SetColumn(*table_, id_, "Condition", TextCell(condition));
  }
  HResult GetAttributes(int32_t* attributes) override {
    if (!attributes) return kPointer;
    const Cell& cell = (*table_->Get(id_))[table_->ColumnIndex("Attributes")];
    *attributes = cell.Number().value_or(0);
    return kOk;
  }
  HResult SetAttributes(int32_t attributes) override { return SetColumn(*table_, id_, "Attributes", attributes); }
  HResult GetKeyPath(std::string* keyPath) override { return GetTextColumn(*table_, id_, "KeyPath", keyPath); }
  HResult SetKeyPath(const std::string& keyPath) override { return SetColumn(*table_, id_, "KeyPath", TextCell(keyPath)); }
  HResult GetDescription(std::string* description) override {
    if (!description) return kPointer;
    description->clear();
    Table* info = RequireTable(context_, kComponentInfoTable);
    RowId row;
    if (info && info->Find({TextCell(Name())}, &row)) return GetTextColumn(*info, row, "Description", description);
    return kOk;
  }
  HResult SetDescription(const std::string& description) override {
    Table* info = RequireTable(context_, kComponentInfoTable);
    if (!info) return kNotFound;
    RowId row;
    if (!info->Find({TextCell(Name())}, &row)) {
      HResult hr = info->Insert({TextCell(Name()), Cell{}, int32_t{1}}, &row);
      if (Failed(hr)) return hr;
    }
    return SetColumn(*info, row, "Description", TextCell(description));
  }
  HResult AddFeature(const std::string& featureKey) override {
    Table* links = RequireTable(context_, "FeatureComponents");
    if (!links) return kNotFound;
    Row row{TextCell(featureKey), TextCell(Name())};
    if (Failed(CheckCell(links->Columns()[0], row[0]))) return kBadValue;
    HResult hr = links->Insert(std::move(row));
    return hr == kDuplicateKey ? kFalse : hr;
  }
  HResult GetFeatures(std::vector<std::string>* featureKeys) override {
    if (!featureKeys) return kPointer;
    featureKeys->clear();
    Table* links = RequireTable(context_, "FeatureComponents");
    if (!links) return kOk;
    for (RowId id : links->RowsWhere(1, TextCell(Name()))) featureKeys->emplace_back(CellText((*links->Get(id))[0]));
    return kOk;
  }
  HResult GetFiles(IFileCollection** files) override { return MakeFileCollection(context_, id_, files); }
  HResult SetAppPath(const std::string& executableName, const std::string& searchPath) override {
    Table* paths = RequireTable(context_, kAppPathTable);
    if (!paths) return kNotFound;
    if (executableName.empty()) return kInvalidArg;
    return UpsertByKey(*paths, {TextCell(Name()), TextCell(executableName)}, "SearchPath", TextCell(searchPath));
  }

 private:
  std::string Name() const { return KeyText(*table_->Get(id_)); }

  ContextPtr context_;
  Table* table_;
  RowId id_;
};

class ComponentCollectionObject : public ComObject<IComponentCollection> {
 public:
  ComponentCollectionObject(ContextPtr context, Table* table) : context_(std::move(context)), table_(table) {}

  HResult BeginAdditions() override { return kOk; }
  HResult EndAdditions() override { return kOk; }
  HResult AddNew(IComponent** component) override {
    if (!component) return kPointer;
    *component = nullptr;
    // The placeholder row is valid as it stands: it lies in INSTALLDIR (or the root).
    std::string directory = "TARGETDIR";
    if (Table* directories = RequireTable(context_, "Directory"); directories && directories->Find({TextCell("INSTALLDIR")}, nullptr))
      directory = "INSTALLDIR";
    std::string key = context_->NewPlaceholderKey(*table_, "NewComponent.");
    Row row(table_->Columns().size());
    row[0] = TextCell(key);
    row[2] = TextCell(directory);
    row[3] = int32_t{0};
    RowId id;
    HResult hr = table_->Insert(std::move(row), &id);
    if (Failed(hr)) return hr;
    return HandOver(New<ComponentObject>(context_, table_, id), component);
  }
  HResult GetCount(int32_t* count) override {
    if (!count) return kPointer;
    *count = static_cast<int32_t>(table_->RowCount());
    return kOk;
  }
  HResult Item(int32_t index, IComponent** component) override {
    if (!component) return kPointer;
    *component = nullptr;
    const auto& ids = order_.Of(*table_);
    if (index < 0 || static_cast<size_t>(index) >= ids.size()) return kNotFound;
    return HandOver(New<ComponentObject>(context_, table_, ids[index]), component);
  }
  HResult Find(const std::string& name, IComponent** component) override {
    if (!component) return kPointer;
    *component = nullptr;
    RowId id;
    if (!table_->Find({TextCell(name)}, &id)) return kFalse;
    return HandOver(New<ComponentObject>(context_, table_, id), component);
  }
  HResult Remove(const std::string& name) override {
    RowId id;
    if (!table_->Find({TextCell(name)}, &id)) return kNotFound;
    Database& db = *context_->db;
    // The component's files go with it, and with them every row that names those files.
    std::vector<std::string> fileKeys;
    if (Table* files = db.FindTable("File"); files && files->ColumnIndex("Component_") >= 0)
      for (RowId file : files->RowsWhere(files->ColumnIndex("Component_"), TextCell(name)))
        fileKeys.push_back(KeyText(*files->Get(file)));
    auto eraseWhere = [&](const char* column, const std::string& value) {
      for (Table* table : db.Tables()) {
        int index = table->ColumnIndex(column);
        if (index < 0) continue;
        for (RowId row : table->RowsWhere(static_cast<size_t>(index), TextCell(value))) table->Erase(row);
      }
    };
    for (const std::string& file : fileKeys) eraseWhere("File_", file);
    eraseWhere("Component_", name);
    return table_->Erase(id);
  }

 private:
  ContextPtr context_;
  Table* table_;
  KeyOrderSnapshot order_;
};

}  // namespace

HResult MakeComponentCollection(const ContextPtr& context, IComponentCollection** out) {
  Table* table = RequireTable(context, kComponent);
  if (!table) return kNotFound;
  return HandOver(New<ComponentCollectionObject>(context, table), out);
}

HResult MakeComponentItem(const ContextPtr& context, Table* table, RowId id, IComponent** out) {
  return HandOver(New<ComponentObject>(context, table, id), out);
}

}  // namespace qv::engine
