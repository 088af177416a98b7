#include "mappers/environment_mapper.h"

#include "core/cancellation.h"
#include "platform/text.h"

namespace mappers {

KeyPosition EnvironmentMapper::MapRegistry(KeyPosition start) {
  MapKeys(start, "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager\\Environment", true);
  MapKeys(start, "HKEY_CURRENT_USER\\Environment", false);
  return start;
}

// Only the environment key itself holds variables: a key below it, or one whose name merely
// begins with the same text ("Environment Settings"), stays registry data.
void EnvironmentMapper::MapKeys(KeyPosition start, const char* keyName, bool machine) {
  core::TestCancel();
  const KeyPosition found = Keys().find(keyName);
  if (found == Keys().end()) return;
  if (start != Keys().end() && platform::CompareNoCase(found->first, start->first) < 0) return;
  capture::RegKey& key = found->second;
  if (key.IsMapped()) return;
  for (capture::RegValue& value : key.Values()) {
    // The default value names no variable.
    if (value.IsMapped() || value.Name() == "@") continue;
    content_.appendEnvironment(value.Name(), PlainValueText(value), machine);
    // The rows replace the value whatever the COM mapping switch: written twice, the Registry
    // row would overwrite what the Environment rows append.
    MarkValue(key, value, true);
  }
}

}  // namespace mappers
