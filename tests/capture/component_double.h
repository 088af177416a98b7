// A component of the engine's object model, standing in for the engine in the knowledge-base
// tests: it counts its references and holds files with a key and a "short|long" file name.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "qv/entity.h"

namespace capturetest {

class CountedObject {
 public:
  uint32_t references() const { return references_; }

 protected:
  uint32_t AddReference() { return ++references_; }
  uint32_t ReleaseReference() { return --references_; }  // the test owns the object
  uint32_t references_ = 0;
};

class FileDouble : public qv::IFile, public CountedObject {
 public:
  FileDouble(std::string key, std::string fileName) : key_(std::move(key)), fileName_(std::move(fileName)) {}
  qv::HResult QueryInterface(const qv::Guid&, void**) override { return qv::kNoInterface; }
  uint32_t AddRef() override { return AddReference(); }
  uint32_t Release() override { return ReleaseReference(); }
  qv::HResult GetKey(std::string* key) override { *key = key_; return qv::kOk; }
  qv::HResult SetKey(const std::string&) override { return qv::kNotImplemented; }
  qv::HResult GetComponent(std::string*) override { return qv::kNotImplemented; }
  qv::HResult SetComponent(const std::string&) override { return qv::kNotImplemented; }
  qv::HResult GetFileName(std::string* name) override { *name = fileName_; return qv::kOk; }
  qv::HResult SetFileName(const std::string&) override { return qv::kNotImplemented; }
  qv::HResult GetSourcePath(std::string*) override { return qv::kNotImplemented; }
  qv::HResult SetSourcePath(const std::string&) override { return qv::kNotImplemented; }
  qv::HResult GetAttributes(int32_t*) override { return qv::kNotImplemented; }
  qv::HResult SetAttributes(int32_t) override { return qv::kNotImplemented; }

 private:
  std::string key_, fileName_;
};

class FileCollectionDouble : public qv::IFileCollection, public CountedObject {
 public:
  explicit FileCollectionDouble(std::vector<FileDouble*> files) : files_(std::move(files)) {}
  qv::HResult QueryInterface(const qv::Guid&, void**) override { return qv::kNoInterface; }
  uint32_t AddRef() override { return AddReference(); }
  uint32_t Release() override { return ReleaseReference(); }
  qv::HResult BeginAdditions() override { return qv::kNotImplemented; }
  qv::HResult EndAdditions() override { return qv::kNotImplemented; }
  qv::HResult AddNew(qv::IFile**) override { return qv::kNotImplemented; }
  qv::HResult GetCount(int32_t* count) override {
    *count = static_cast<int32_t>(files_.size());
    return qv::kOk;
  }
  qv::HResult Item(int32_t index, qv::IFile** file) override {
    if (index < 0 || static_cast<size_t>(index) >= files_.size()) return qv::kNotFound;
    *file = files_[index];
    (*file)->AddRef();
    return qv::kOk;
  }
  qv::HResult Find(const std::string&, qv::IFile**) override { return qv::kNotImplemented; }

 private:
  std::vector<FileDouble*> files_;
};

class ComponentDouble : public qv::IComponent, public CountedObject {
 public:
  explicit ComponentDouble(std::string name, FileCollectionDouble* files = nullptr)
      : name_(std::move(name)), files_(files) {}
  qv::HResult QueryInterface(const qv::Guid&, void**) override { return qv::kNoInterface; }
  uint32_t AddRef() override { return AddReference(); }
  uint32_t Release() override { return ReleaseReference(); }
  qv::HResult GetName(std::string* name) override { *name = name_; return qv::kOk; }
  qv::HResult SetName(const std::string&) override { return qv::kNotImplemented; }
  qv::HResult GetGuid(std::string*) override { return qv::kNotImplemented; }
  qv::HResult SetGuid(const std::string&) override { return qv::kNotImplemented; }
  qv::HResult SetEnabled(bool) override { return qv::kNotImplemented; }
  qv::HResult GetDirectory(std::string*) override { return qv::kNotImplemented; }
  qv::HResult SetDirectory(const std::string&) override { return qv::kNotImplemented; }
  qv::HResult GetCondition(std::string*) override { return qv::kNotImplemented; }
  qv::HResult SetCondition(const std::string&) override { return qv::kNotImplemented; }
  qv::HResult GetAttributes(int32_t*) override { return qv::kNotImplemented; }
  qv::HResult SetAttributes(int32_t) override { return qv::kNotImplemented; }
  qv::HResult GetKeyPath(std::string*) override { return qv::kNotImplemented; }
  qv::HResult SetKeyPath(const std::string&) override { return qv::kNotImplemented; }
  qv::HResult GetDescription(std::string*) override { return qv::kNotImplemented; }
  qv::HResult SetDescription(const std::string&) override { return qv::kNotImplemented; }
  qv::HResult AddFeature(const std::string&) override { return qv::kNotImplemented; }
  qv::HResult GetFeatures(std::vector<std::string>*) override { return qv::kNotImplemented; }
  qv::HResult GetFiles(qv::IFileCollection** files) override {
    if (files_ == nullptr) return qv::kNotImplemented;
    *files = files_;
    files_->AddRef();
    return qv::kOk;
  }
  qv::HResult SetAppPath(const std::string&, const std::string&) override { return qv::kNotImplemented; }

 private:
  std::string name_;
  FileCollectionDouble* files_;
};

}  // namespace capturetest
