// Directories: rows of the Directory table, with their project flags in QvDirectoryInfo.
#include "directory_tree.h"
#include "qv/project_tables.h"
#include "typed_items.h"

namespace qv::engine {

namespace {

class DirectoryObject : public ComObject<IDirectory> {
 public:
  DirectoryObject(ContextPtr context, Table* table, RowId id) : context_(std::move(context)), table_(table), id_(id) {}

  HResult GetKey(std::string* key) override { return GetTextColumn(*table_, id_, "Directory", key); }
  // A Directory key is read as a property too: one that the installer or the package sets
  // would override the folder.
  HResult SetKey(const std::string& key) override {
    if (IsPropertyName(*context_->db, key)) return kBadValue;
    return context_->db->RenameKey(*table_, id_, key);
  }
  HResult GetParent(std::string* parent) override { return GetTextColumn(*table_, id_, "Directory_Parent", parent); }
  HResult GetDefaultDir(std::string* defaultDir) override { return GetTextColumn(*table_, id_, "DefaultDir", defaultDir); }
  HResult SetFlags(int32_t flags) override {
    Table* info = RequireTable(context_, kDirectoryInfoTable);
    if (!info) return kNotFound;
    const Row* row = table_->Get(id_);
    if (!row) return kNotFound;
    return UpsertByKey(*info, {(*row)[0]}, "Flags", flags);
  }

 private:
  ContextPtr context_;
  Table* table_;
  RowId id_;
};

class DirectoryCollectionObject : public ComObject<IDirectoryCollection> {
 public:
  DirectoryCollectionObject(ContextPtr context, Table* table) : context_(std::move(context)), table_(table) {}

  HResult GetCount(int32_t* count) override {
    if (!count) return kPointer;
    *count = static_cast<int32_t>(table_->RowCount());
    return kOk;
  }
  HResult Find(const std::string& key, IDirectory** directory) override {
    if (!directory) return kPointer;
    *directory = nullptr;
    RowId id;
    if (!table_->Find({TextCell(key)}, &id)) return kFalse;
    return HandOver(New<DirectoryObject>(context_, table_, id), directory);
  }

 private:
  ContextPtr context_;
  Table* table_;
};

}  // namespace

HResult MakeDirectoryCollection(const ContextPtr& context, IDirectoryCollection** out) {
  Table* table = RequireTable(context, "Directory");
  if (!table) return kNotFound;
  return HandOver(New<DirectoryCollectionObject>(context, table), out);
}

}  // namespace qv::engine
