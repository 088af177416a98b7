// Files: rows of the File table, with their source paths in QvFileSource.
#include <algorithm>

#include "qv/project_tables.h"
#include "short_names.h"
#include "typed_items.h"

namespace qv::engine {

namespace {

constexpr const char* kFile = "File";

// "short|long" or one name; each part a name the file systems accept, the short part 8.3.
bool IsValidFileName(const std::string& value) {
  size_t bar = value.find('|');
  if (bar == std::string::npos) return IsValidLongName(value);
  std::string shortName = value.substr(0, bar);
  std::string longName = value.substr(bar + 1);
  return IsValidShortName(shortName) && IsValidLongName(longName);
}

class FileObject : public ComObject<IFile> {
 public:
  FileObject(ContextPtr context, Table* table, RowId id) : context_(std::move(context)), table_(table), id_(id) {}

  HResult GetKey(std::string* key) override { return GetTextColumn(*table_, id_, "File", key); }
  HResult SetKey(const std::string& key) override { return context_->db->RenameKey(*table_, id_, key); }
  HResult GetComponent(std::string* name) override { return GetTextColumn(*table_, id_, "Component_", name); }
  HResult SetComponent(const std::string& name) override {
    Table* components = RequireTable(context_, "Component");
    if (!components || !components->Find({TextCell(name)}, nullptr)) return kNotFound;
    return SetColumn(*table_, id_, "Component_", TextCell(name));
  }
  HResult GetFileName(std::string* fileName) override { return GetTextColumn(*table_, id_, "FileName", fileName); }
  HResult SetFileName(const std::string& fileName) override {
    if (!IsValidFileName(fileName)) return kBadValue;
    return SetColumn(*table_, id_, "FileName", TextCell(fileName));
  }
  HResult GetSourcePath(std::string* sourcePath) override {
    if (!sourcePath) return kPointer;
    sourcePath->clear();
    Table* sources = RequireTable(context_, kFileSourceTable);
    RowId row;
    if (sources && sources->Find({TextCell(Key())}, &row)) return GetTextColumn(*sources, row, "SourcePath", sourcePath);
    return kOk;
  }
  HResult SetSourcePath(const std::string& sourcePath) override {
    Table* sources = RequireTable(context_, kFileSourceTable);
    if (!sources) return kNotFound;
    if (sourcePath.empty()) {
      RowId row;
      if (sources->Find({TextCell(Key())}, &row)) sources->Erase(row);
      return kOk;
    }
    return UpsertByKey(*sources, {TextCell(Key())}, "SourcePath", TextCell(sourcePath));
  }
  HResult GetAttributes(int32_t* attributes) override {
    if (!attributes) return kPointer;
    const Cell& cell = (*table_->Get(id_))[table_->ColumnIndex("Attributes")];
    *attributes = cell.Number().value_or(0);
    return kOk;
  }
  HResult SetAttributes(int32_t attributes) override { return SetColumn(*table_, id_, "Attributes", attributes); }

 private:
  std::string Key() const { return KeyText(*table_->Get(id_)); }

  ContextPtr context_;
  Table* table_;
  RowId id_;
};

class FileCollectionObject : public ComObject<IFileCollection> {
 public:
  FileCollectionObject(ContextPtr context, Table* table, std::optional<RowId> componentRow)
      : context_(std::move(context)), table_(table), componentRow_(componentRow) {}

  HResult BeginAdditions() override { return kOk; }
  HResult EndAdditions() override { return kOk; }
  HResult AddNew(IFile** file) override {
    if (!file) return kPointer;
    *file = nullptr;
    std::string component;
    if (componentRow_) {
      Table* components = RequireTable(context_, "Component");
      const Row* row = components ? components->Get(*componentRow_) : nullptr;
      if (!row) return kNotFound;
      component = KeyText(*row);
    }
    std::string key = context_->NewPlaceholderKey(*table_, "NewFile.");
    Row row(table_->Columns().size());
    row[0] = TextCell(key);
    row[1] = TextCell(component);
    // Size and sequence are the build's to fill in.
    if (int c = table_->ColumnIndex("FileSize"); c >= 0) row[c] = int32_t{0};
    if (int c = table_->ColumnIndex("Sequence"); c >= 0) row[c] = static_cast<int32_t>(table_->RowCount() + 1);
    RowId id;
    HResult hr = table_->Insert(std::move(row), &id);
    if (Failed(hr)) return hr;
    return HandOver(New<FileObject>(context_, table_, id), file);
  }
  HResult GetCount(int32_t* count) override {
    if (!count) return kPointer;
    *count = static_cast<int32_t>(componentRow_ ? ComponentFiles().size() : table_->RowCount());
    return kOk;
  }
  HResult Add(const FileRow& cells) override {
    if (!IsValidFileName(cells.fileName)) return kBadValue;
    Table* components = RequireTable(context_, "Component");
    Table* sources = RequireTable(context_, kFileSourceTable);
    if (!components || !sources) return kNotFound;
    RowId componentId;
    if (!components->Find({TextCell(cells.component)}, &componentId)) return kNotFound;
    if (componentRow_ && componentId != *componentRow_) return kInvalidArg;
    Row row(table_->Columns().size());
    row[0] = TextCell(cells.key);
    row[1] = TextCell(cells.component);
    if (int c = table_->ColumnIndex("FileName"); c >= 0) row[c] = TextCell(cells.fileName);
    // Size and sequence are the build's to fill in, as for AddNew.
    if (int c = table_->ColumnIndex("FileSize"); c >= 0) row[c] = int32_t{0};
    if (int c = table_->ColumnIndex("Sequence"); c >= 0) row[c] = static_cast<int32_t>(table_->RowCount() + 1);
    for (size_t c = 0; c < row.size(); ++c)
      if (const HResult fits = CheckCell(table_->Columns()[c], row[c]); Failed(fits)) return fits;
    if (HResult hr = table_->Insert(std::move(row)); Failed(hr)) return hr;
    if (cells.sourcePath.empty()) return kOk;
    return UpsertByKey(*sources, {TextCell(cells.key)}, "SourcePath", TextCell(cells.sourcePath));
  }
  HResult Item(int32_t index, IFile** file) override {
    if (!file) return kPointer;
    *file = nullptr;
    std::vector<RowId> own;
    const std::vector<RowId>& ids = componentRow_ ? (own = ComponentFiles()) : order_.Of(*table_);
    if (index < 0 || static_cast<size_t>(index) >= ids.size()) return kNotFound;
    return HandOver(New<FileObject>(context_, table_, ids[index]), file);
  }
  HResult Find(const std::string& key, IFile** file) override {
    if (!file) return kPointer;
    *file = nullptr;
    RowId id;
    if (!table_->Find({TextCell(key)}, &id)) return kFalse;
    if (componentRow_) {
      Table* components = RequireTable(context_, "Component");
      const Row* owner = components ? components->Get(*componentRow_) : nullptr;
      if (!owner || (*table_->Get(id))[1] != (*owner)[0]) return kFalse;
    }
    return HandOver(New<FileObject>(context_, table_, id), file);
  }

 private:
  // The component's files in the order they were added.
  std::vector<RowId> ComponentFiles() const {
    Table* components = RequireTable(context_, "Component");
    const Row* row = components ? components->Get(*componentRow_) : nullptr;
    if (!row) return {};
    return table_->RowsWhere(1, TextCell(KeyText(*row)));
  }

  ContextPtr context_;
  Table* table_;
  std::optional<RowId> componentRow_;
  KeyOrderSnapshot order_;
};

}  // namespace

HResult MakeFileCollection(const ContextPtr& context, std::optional<RowId> componentRow, IFileCollection** out) {
  Table* table = RequireTable(context, kFile);
  if (!table) return kNotFound;
  return HandOver(New<FileCollectionObject>(context, table, componentRow), out);
}

}  // namespace qv::engine
