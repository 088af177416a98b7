#include "frontend/guid_mode.h"

#include <cstdio>

#include "core/guid_source.h"
#include "frontend/run_flags.h"
#include "platform/codepage.h"
#include "platform/registry.h"

namespace frontend {

namespace {

using core::kGuidModeKey;
using core::kGuidModeValue;
using platform::RegistryRoot;

bool PersistedValueIsOn() {
  const auto value = platform::ReadRegistryString(RegistryRoot::LocalMachine, core::kGuidModeKey, core::kGuidModeValue);
  return value && *value == "1";
}

}  // namespace

void ReadPersistedGuidMode() {
  Flags().fakeGuidMode = Flags().fakeGuidModeWasOn = PersistedValueIsOn();
}

void PersistFakeGuidMode() {
  // Without the right to write the value the run goes on with real GUIDs.
  Flags().fakeGuidMode =
      platform::WriteRegistryString(RegistryRoot::LocalMachine, core::kGuidModeKey, core::kGuidModeValue, "1") &&
      PersistedValueIsOn();
  if (!Flags().fakeGuidMode) {
    const bool damaged = !platform::RegistryFileProblems().empty();
    std::printf("Warning: /fakeguids: the GUID mode cannot be stored in the registry file %s%s; real GUIDs are made.\n",
                platform::ToConsole(platform::RegistryFilePath()).c_str(),
                damaged ? " (it has lines that are not REGEDIT4, and is left as it is)" : "");
    std::fflush(stdout);
  }
}

void CleanUpGuidMode() {
  if (!Flags().fakeGuidModeWasOn && Flags().fakeGuidMode)
    platform::DeleteRegistryValue(RegistryRoot::LocalMachine, core::kGuidModeKey, core::kGuidModeValue);
}

}  // namespace frontend
