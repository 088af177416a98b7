#include "core/guid_source.h"

#include <cstdint>

#include "platform/guid.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace core {

namespace {

struct GuidSource {
  bool decided = false;
  bool realGuids = true;
  uint32_t fakeCounter = 0;
};

GuidSource& Source() {
  static GuidSource source;
  return source;
}

// Decided once per process: the registry value "FakeGuids" switches the fake mode on.
void DecideMode() {
  GuidSource& source = Source();
  if (source.decided) return;
  source.decided = true;
  using platform::RegistryRoot;
  if (!platform::RegistryKeyExists(RegistryRoot::LocalMachine, kGuidModeKey)) return;
  const auto value = platform::ReadRegistryString(RegistryRoot::LocalMachine, kGuidModeKey, kGuidModeValue);
  source.realGuids = !(value && *value == "1");
}

}  // namespace

std::string CreateGuidString() {
  DecideMode();
  GuidSource& source = Source();
  if (!source.realGuids) {
    ++source.fakeCounter;
    return platform::Format("{AAAAAAAA-0000-0000-0000-%012i}", static_cast<int>(source.fakeCounter));
  }
  return platform::NewGuid();
}

bool UsingFakeGuids() {
  DecideMode();
  return !Source().realGuids;
}

void ResetGuidSourceForTesting() { Source() = GuidSource(); }

}  // namespace core
