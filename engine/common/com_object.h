// Reference-counted objects that answer QueryInterface over a list of interfaces, the class
// factory that makes them, and the DllGetClassObject body every engine library shares.
#pragma once

#include <atomic>
#include <new>

#include "interface_ids.h"
#include "qv/com.h"

namespace qv::engine {

// An object implementing Interfaces...; the first one also answers for IUnknown. Objects are
// created with New<T>() (reference count 1) and delete themselves on the last Release.
template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  HResult QueryInterface(const Guid& iid, void** out) override {
    if (!out) return kPointer;
    *out = nullptr;
    if (iid == IID_IUnknown) {
      *out = static_cast<FirstInterface*>(this);
    } else {
      ((iid == InterfaceId<Interfaces>::kIid ? (void)(*out = static_cast<Interfaces*>(this)) : void()),
       ...);
    }
    if (!*out) return QueryOtherInterface(iid, out);
    AddRef();
    return kOk;
  }
  uint32_t AddRef() override { return ++references_; }
  uint32_t Release() override {
    uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;
  // For interfaces served by another object (a tear-off); *out gets an added reference.
  virtual HResult QueryOtherInterface(const Guid& iid, void** out) { return kNoInterface; }

 private:
  template <class First, class...>
  struct FirstOf {
    using type = First;
  };
  using FirstInterface = typename FirstOf<Interfaces...>::type;
  std::atomic<uint32_t> references_{1};
};

// Makes a new object; the returned pointer carries the one reference.
template <class T, class... Args>
T* New(Args&&... args) {
  return new (std::nothrow) T(std::forward<Args>(args)...);
}

// Hands out *out as interface I with a new reference.
template <class I, class T>
HResult HandOut(T* object, I** out) {
  if (!out) return kPointer;
  *out = static_cast<I*>(object);
  if (object) object->AddRef();
  return kOk;
}

// Hands over a freshly made object (reference count 1) as interface I.
template <class I, class T>
HResult HandOver(T* fresh, I** out) {
  if (!out) {
    if (fresh) fresh->Release();
    return kPointer;
  }
  if (!fresh) return kOutOfMemory;
  *out = static_cast<I*>(fresh);
  return kOk;
}

// The class factory of one creatable class T (default-constructible).
template <class T>
class ClassFactory : public ComObject<IClassFactory> {
 public:
  HResult CreateInstance(IUnknown* outer, const Guid& iid, void** out) override {
    if (!out) return kPointer;
    *out = nullptr;
    if (outer) return static_cast<HResult>(0x80040110);  // CLASS_E_NOAGGREGATION
    T* object = New<T>();
    if (!object) return kOutOfMemory;
    HResult hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
  }
  HResult LockServer(bool) override { return kOk; }  // engine libraries stay loaded until exit
};

// The body of a library's DllGetClassObject for its one class T.
template <class T>
HResult GetClassObject(const Guid& wanted, const Guid& clsid, const Guid& iid, void** out) {
  if (!out) return kPointer;
  *out = nullptr;
  if (!(clsid == wanted)) return kClassNotAvailable;
  auto* factory = New<ClassFactory<T>>();
  if (!factory) return kOutOfMemory;
  HResult hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}

}  // namespace qv::engine

// Every engine library exports exactly this symbol.
#define QV_EXPORT_CLASS_OBJECT(ClassId, Type)                                                 \
  extern "C" __attribute__((visibility("default"))) qv::HResult DllGetClassObject(            \
      const qv::Guid& clsid, const qv::Guid& iid, void** out) {                               \
    return qv::engine::GetClassObject<Type>(ClassId, clsid, iid, out);                        \
  }
