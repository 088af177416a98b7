// Fuzzes the REGEDIT4 reader with arbitrary bytes (the first byte chooses the current-user
// proxy), then encodes every value read for the Registry table. A repackager_exception is the
// reader's defined answer to bad input; anything else is a fault.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "capture/registry_model.h"
#include "capture/registry_text.h"
#include "core/repackager_exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool environment = [] {
    setenv("FERNCLIP_REGISTRY", "/nonexistent/fernclip-fuzz/registry.reg", 1);
    return true;
  }();
  (void)environment;

  capture::RegistryModel model(size > 0 && (data[0] & 1));
  try {
    model.LoadRegistryText(std::string(reinterpret_cast<const char*>(data), size), "fuzz.reg");
  } catch (const core::repackager_exception&) {
  }
  for (const auto& [path, key] : model.Keys())
    for (const auto& value : key.Values()) capture::GetRegistryTableValue(value);
  return 0;
}
