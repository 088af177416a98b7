// The interface of the small engine library built for the engine-loading tests.
#pragma once

#include "qv/com.h"

namespace testengine {

struct ICounter : qv::IUnknown {
  // How many objects the library has created since it was loaded.
  virtual qv::HResult GetCreatedCount(int32_t* count) = 0;
  virtual qv::HResult Add(int32_t a, int32_t b, int32_t* sum) = 0;
};

constexpr qv::Guid IID_ICounter = qv::MakeGuid("6B1F6A52-0C3E-4D55-9C2B-1B6F2E7A9D01");
constexpr qv::Guid CLSID_Counter = qv::MakeGuid("6B1F6A52-0C3E-4D55-9C2B-1B6F2E7A9D02");

}  // namespace testengine
