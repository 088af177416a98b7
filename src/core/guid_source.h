// The one source of new GUIDs: registry form, braces, upper case. In fake mode (the registry
// value "FakeGuids" is "1") it returns "{AAAAAAAA-0000-0000-0000-%012i}" from a process-wide
// counter starting at 1.
#pragma once

#include <string>

namespace core {

// The registry key (under HKEY_LOCAL_MACHINE) of the persisted GUID mode, value "FakeGuids".
inline constexpr const char* kGuidModeKey = "Software\\Quillmark\\Brightvale";
inline constexpr const char* kGuidModeValue = "FakeGuids";

std::string CreateGuidString();

// True when the GUID source hands out fake GUIDs (decided on the first call).
bool UsingFakeGuids();

// For tests: forget the decided mode and reset the counter.
void ResetGuidSourceForTesting();

}  // namespace core
