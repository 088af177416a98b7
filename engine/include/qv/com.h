// The component object conventions shared by fernclip and the project engine libraries.
//
// Each engine library exports DllGetClassObject, which hands out a class factory for its one
// class. Interfaces are abstract classes with reference counting and QueryInterface; every
// operation returns a 32-bit result code, negative on failure.
//
// Engine text is Unicode, carried as UTF-8 in std::string. The conversion works on single-byte
// text in the capture's code page and converts it when it hands it over (src/project).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>

namespace qv {

using HResult = int32_t;

constexpr HResult kOk = 0;
constexpr HResult kFalse = 1;  // success, but "no" / "none" / "end of enumeration"
constexpr HResult kNotImplemented = static_cast<int32_t>(0x80004001);
constexpr HResult kNoInterface = static_cast<int32_t>(0x80004002);
constexpr HResult kPointer = static_cast<int32_t>(0x80004003);
constexpr HResult kAbort = static_cast<int32_t>(0x80004004);  // stopped because the caller asked
constexpr HResult kFail = static_cast<int32_t>(0x80004005);
constexpr HResult kUnexpected = static_cast<int32_t>(0x8000FFFF);
constexpr HResult kClassNotAvailable = static_cast<int32_t>(0x80040111);
constexpr HResult kClassNotRegistered = static_cast<int32_t>(0x80040154);
constexpr HResult kFileNotFound = static_cast<int32_t>(0x80070002);
constexpr HResult kPathNotFound = static_cast<int32_t>(0x80070003);
constexpr HResult kAccessDenied = static_cast<int32_t>(0x80070005);
constexpr HResult kOutOfMemory = static_cast<int32_t>(0x8007000E);
constexpr HResult kInvalidArg = static_cast<int32_t>(0x80070057);
// Engine-specific failures (facility ITF).
constexpr HResult kNotFound = static_cast<int32_t>(0x80040201);      // no such table, row, column or item
constexpr HResult kDuplicateKey = static_cast<int32_t>(0x80040202);  // a row with that primary key exists
constexpr HResult kBadValue = static_cast<int32_t>(0x80040203);      // value does not fit the column
constexpr HResult kBadFormat = static_cast<int32_t>(0x80040204);     // file is not a project / database
constexpr HResult kNotOpen = static_cast<int32_t>(0x80040205);       // no project is open

// Asked by long engine operations (saving, building) between their steps: true when the caller
// wants the operation to stop; it then leaves its outputs as they were and returns kAbort.
using CancelCheck = bool (*)();

inline bool Failed(HResult hr) { return hr < 0; }
inline bool Succeeded(HResult hr) { return hr >= 0; }

// A class or interface identifier.
struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};

  friend constexpr bool operator==(const Guid& a, const Guid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
    for (int i = 0; i < 8; ++i)
      if (a.data4[i] != b.data4[i]) return false;
    return true;
  }
};

namespace detail {
constexpr uint32_t HexDigit(char c) {
  return (c >= '0' && c <= '9') ? uint32_t(c - '0')
         : (c >= 'a' && c <= 'f') ? uint32_t(c - 'a' + 10)
                                  : uint32_t(c - 'A' + 10);
}
constexpr uint32_t HexRun(const char* s, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = v * 16 + HexDigit(s[i]);
  return v;
}
}  // namespace detail

// Parses "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" (no braces) at compile time.
constexpr Guid MakeGuid(const char* s) {
  Guid g;
  g.data1 = detail::HexRun(s, 8);
  g.data2 = static_cast<uint16_t>(detail::HexRun(s + 9, 4));
  g.data3 = static_cast<uint16_t>(detail::HexRun(s + 14, 4));
  g.data4[0] = static_cast<uint8_t>(detail::HexRun(s + 19, 2));
  g.data4[1] = static_cast<uint8_t>(detail::HexRun(s + 21, 2));
  for (int i = 0; i < 6; ++i) g.data4[2 + i] = static_cast<uint8_t>(detail::HexRun(s + 24 + 2 * i, 2));
  return g;
}

struct IUnknown {
  virtual HResult QueryInterface(const Guid& iid, void** out) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  ~IUnknown() = default;
};
inline constexpr Guid IID_IUnknown = MakeGuid("00000000-0000-0000-C000-000000000046");

struct IClassFactory : IUnknown {
  virtual HResult CreateInstance(IUnknown* outer, const Guid& iid, void** out) = 0;
  virtual HResult LockServer(bool lock) = 0;
};
inline constexpr Guid IID_IClassFactory = MakeGuid("00000001-0000-0000-C000-000000000046");

// The one export of every engine library.
using DllGetClassObjectFn = HResult (*)(const Guid& clsid, const Guid& iid, void** out);
constexpr const char* kDllGetClassObjectName = "DllGetClassObject";

// A column value handed to or read from the engine: empty (null), a 32-bit integer or text.
struct Variant {
  enum class Kind { Empty, Integer, Text, Error };
  Kind kind = Kind::Empty;
  int32_t integer = 0;
  std::string text;  // UTF-8
  HResult error = kOk;

  static Variant Null() { return Variant{}; }
  static Variant Int(int32_t v) {
    Variant r;
    r.kind = Kind::Integer;
    r.integer = v;
    return r;
  }
  static Variant Text(std::string v) {
    Variant r;
    r.kind = Kind::Text;
    r.text = std::move(v);
    return r;
  }
  static Variant Err(HResult hr) {
    Variant r;
    r.kind = Kind::Error;
    r.error = hr;
    return r;
  }
  bool IsNull() const { return kind == Kind::Empty || (kind == Kind::Text && text.empty()); }
};

// A reference-counted implementation of one interface I whose identifier is kIid: the event
// sinks that a caller hands to an engine library. Made with new and held by a ComPtr (the count
// starts at 0); deletes itself on the last Release.
template <class I, const Guid& kIid>
class SingleInterfaceObject : public I {
 public:
  HResult QueryInterface(const Guid& iid, void** out) override {
    if (!out) return kPointer;
    if (iid == IID_IUnknown || iid == kIid) {
      *out = static_cast<I*>(this);
      this->AddRef();
      return kOk;
    }
    *out = nullptr;
    return kNoInterface;
  }
  uint32_t AddRef() override { return ++references_; }
  uint32_t Release() override {
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~SingleInterfaceObject() = default;

 private:
  std::atomic<uint32_t> references_{0};
};

// Owning reference to an interface; releases on destruction.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference to p.
  explicit ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : p_(o.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ~ComPtr() { Reset(); }
  ComPtr& operator=(const ComPtr& o) {
    if (this != &o) {
      T* old = p_;
      p_ = o.p_;
      if (p_) p_->AddRef();
      if (old) old->Release();
    }
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    if (this != &o) {
      Reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  // Adopts p without adding a reference.
  void Attach(T* p) {
    Reset();
    p_ = p;
  }
  T* Detach() { return std::exchange(p_, nullptr); }
  // For out-parameters: releases the current pointer and returns its address.
  T** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

  template <class U>
  HResult As(const Guid& iid, ComPtr<U>* out) const {
    if (!p_) return kPointer;
    return p_->QueryInterface(iid, out->PutVoid());
  }

 private:
  T* p_ = nullptr;
};

}  // namespace qv
