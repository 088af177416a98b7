// A tiny engine library for the tests: one class with one interface, handed out by the class
// factory of its exported DllGetClassObject.
#include "support/test_engine.h"

namespace {

int32_t createdCount = 0;

class Counter final : public testengine::ICounter {
 public:
  qv::HResult QueryInterface(const qv::Guid& iid, void** out) override {
    if (iid == qv::IID_IUnknown || iid == testengine::IID_ICounter) {
      AddRef();
      *out = static_cast<testengine::ICounter*>(this);
      return qv::kOk;
    }
    *out = nullptr;
    return qv::kNoInterface;
  }
  uint32_t AddRef() override { return ++references_; }
  uint32_t Release() override {
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }
  qv::HResult GetCreatedCount(int32_t* count) override {
    *count = createdCount;
    return qv::kOk;
  }
  qv::HResult Add(int32_t a, int32_t b, int32_t* sum) override {
    *sum = a + b;
    return qv::kOk;
  }

 private:
  uint32_t references_ = 0;
};

class Factory final : public qv::IClassFactory {
 public:
  qv::HResult QueryInterface(const qv::Guid& iid, void** out) override {
    if (iid == qv::IID_IUnknown || iid == qv::IID_IClassFactory) {
      *out = static_cast<qv::IClassFactory*>(this);
      return qv::kOk;
    }
    *out = nullptr;
    return qv::kNoInterface;
  }
  uint32_t AddRef() override { return 2; }  // a static object
  uint32_t Release() override { return 1; }
  qv::HResult CreateInstance(qv::IUnknown* outer, const qv::Guid& iid, void** out) override {
    if (outer) return qv::kClassNotAvailable;
    auto* counter = new Counter();
    counter->AddRef();
    const qv::HResult hr = counter->QueryInterface(iid, out);
    if (qv::Succeeded(hr)) ++createdCount;
    counter->Release();
    return hr;
  }
  qv::HResult LockServer(bool) override { return qv::kOk; }
};

Factory factory;

}  // namespace

extern "C" __attribute__((visibility("default"))) qv::HResult DllGetClassObject(
    const qv::Guid& clsid, const qv::Guid& iid, void** out) {
  if (!out) return qv::kPointer;
  *out = nullptr;
  if (!(clsid == testengine::CLSID_Counter)) return qv::kClassNotAvailable;
  return factory.QueryInterface(iid, out);
}
