#include "frontend/guid_mode.h"

#include "frontend/guid_source.h"
#include "frontend/run_flags.h"
#include "platform/registry.h"

namespace frontend {

namespace {

bool PersistedValueIsOn() {
  const auto value =
      platform::ReadRegistryString(platform::RegistryRoot::LocalMachine, kGuidModeKey, kGuidModeValue);
  return value && *value == "1";
}

}  // namespace

void ReadPersistedGuidMode() {
  Flags().fakeGuidMode = Flags().fakeGuidModeWasOn = PersistedValueIsOn();
}

void PersistFakeGuidMode() {
  // Without the right to write the value the run goes on with real GUIDs.
  Flags().fakeGuidMode =
      platform::WriteRegistryString(platform::RegistryRoot::LocalMachine, kGuidModeKey, kGuidModeValue, "1") &&
      PersistedValueIsOn();
}

void CleanUpGuidMode() {
  if (!Flags().fakeGuidModeWasOn && Flags().fakeGuidMode)
    platform::DeleteRegistryValue(platform::RegistryRoot::LocalMachine, kGuidModeKey, kGuidModeValue);
}

}  // namespace frontend
