// Writers over the typed collections of the product object (components, files, registry
// entries). A writer hands out new items of its collection, which the caller fills through the
// item's own properties; the items are live rows of the open project.
//
// Reset starts a series of additions (the collection is acquired anew and told that a series
// begins); the destructor ends the series. The plain template acquires nothing: its user hands
// it a collection with SetCollection.
#pragma once

#include <utility>

#include "project/check_hr.h"
#include "project/vpx_writer.h"
#include "qv/com.h"
#include "qv/entity.h"

namespace project {

template <class Collection, class Item>
class TableWriter {
 public:
  explicit TableWriter(VpxWriter& project) : project_(project), product_(project.Product()) {}
  virtual ~TableWriter() { EndSeries(); }
  TableWriter(const TableWriter&) = delete;
  TableWriter& operator=(const TableWriter&) = delete;

  void Reset() {
    EndSeries();
    AcquireCollection();
    if (collection_) CHECK_HR(collection_->BeginAdditions());
  }

  // A collection chosen by the user of the plain template; a series of additions begins.
  void SetCollection(qv::ComPtr<Collection> collection) {
    EndSeries();
    collection_ = std::move(collection);
    if (collection_) CHECK_HR(collection_->BeginAdditions());
  }

  // A new item (empty when the engine refuses one; a CHECK_HR line is written).
  virtual qv::ComPtr<Item> AddNew() {
    qv::ComPtr<Item> item;
    if (collection_) CHECK_HR(collection_->AddNew(item.Put()));
    return item;
  }

  Collection* GetCollection() const { return collection_.Get(); }

 protected:
  virtual void AcquireCollection() {}

  VpxWriter& project_;
  qv::ComPtr<qv::IProduct> product_;
  qv::ComPtr<Collection> collection_;

 private:
  void EndSeries() {
    if (collection_) CHECK_HR(collection_->EndAdditions());
    collection_.Reset();
  }
};

// The writer over the product's components.
class ComponentTableWriter : public TableWriter<qv::IComponentCollection, qv::IComponent> {
 public:
  using TableWriter::TableWriter;

 protected:
  void AcquireCollection() override {
    if (product_) CHECK_HR(product_->GetComponents(collection_.Put()));
  }
};

// The writer over the product's files.
class FileTableWriter : public TableWriter<qv::IFileCollection, qv::IFile> {
 public:
  using TableWriter::TableWriter;

 protected:
  void AcquireCollection() override {
    if (product_) CHECK_HR(product_->GetFiles(collection_.Put()));
  }
};

// The writer over the product's registry entries.
class RegistryTableWriter : public TableWriter<qv::IRegistryCollection, qv::IRegistryEntry> {
 public:
  using TableWriter::TableWriter;

 protected:
  void AcquireCollection() override {
    if (product_) CHECK_HR(product_->GetRegistryEntries(collection_.Put()));
  }
};

}  // namespace project
