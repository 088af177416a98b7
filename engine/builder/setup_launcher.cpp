#include "setup_launcher.h"

#include <glib.h>

#include "platform/host_paths.h"

namespace builder {
namespace {

constexpr size_t kSlotUnits = 260;
constexpr char kMarker[] = "<<FERNCLIP-SETUP-PACKAGE-NAME>>";

std::string Utf16Le(const char16_t* units, size_t count) {
  std::string bytes;
  for (size_t i = 0; i < count; ++i) {
    bytes.push_back(char(units[i] & 0xFF));
    bytes.push_back(char(units[i] >> 8));
  }
  return bytes;
}

}  // namespace

bool PatchLauncher(std::string* launcher, const std::string& packageFileName, std::string* error) {
  std::string marker;
  for (const char* c = kMarker; *c; ++c) marker += std::string{*c, '\0'};
  const size_t slot = launcher->find(marker);
  if (slot == std::string::npos || launcher->size() - slot < kSlotUnits * 2) {
    *error = "the setup launcher has no slot for the package name";
    return false;
  }
  glong units = 0;
  gunichar2* name = g_utf8_to_utf16(packageFileName.c_str(), -1, nullptr, &units, nullptr);
  if (!name || units <= 0 || size_t(units) >= kSlotUnits) {
    g_free(name);
    *error = "the package name '" + packageFileName + "' does not fit the setup launcher";
    return false;
  }
  std::string bytes = Utf16Le(reinterpret_cast<const char16_t*>(name), size_t(units));
  g_free(name);
  bytes.resize(kSlotUnits * 2, '\0');
  launcher->replace(slot, bytes.size(), bytes);
  return true;
}

bool PlaceSetupLauncher(const std::string& launcherPath, const std::string& packageFileName,
                        const std::string& target, std::string* error) {
  std::string launcher;
  if (!platform::ReadFile(launcherPath, &launcher)) {
    *error = "the setup launcher " + launcherPath + " cannot be read";
    return false;
  }
  if (!PatchLauncher(&launcher, packageFileName, error)) return false;
  if (!platform::WriteFileAtomically(target, launcher)) {
    *error = "cannot write " + target;
    return false;
  }
  return true;
}

}  // namespace builder
