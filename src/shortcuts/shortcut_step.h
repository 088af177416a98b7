// The shortcut step: every captured shortcut that counts (see shortcut_targets.h) becomes a row
// of the Shortcut table. A shortcut to a captured program is advertised (it launches its
// component's key file through the feature and repairs it) when the options allow it; every
// other shortcut is a plain one in the component "ShortcutsComponent", whose key path is a
// registry value under HKEY_CURRENT_USER, as the installer wants for shortcuts in the user's
// profile.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace capture {
class CaptureScript;
}
namespace project {
class VpxWriter;
}

namespace shortcuts {

// What the step needs of the content steps, handed in by the pipeline (the content steps lie
// beside this one, not below it).
struct ShortcutContent {
  // The Icon row key for an icon file (the source path the project stores for a captured
  // file) and index, writing the row the first time; targetFile gives the key its extension.
  std::function<std::string(const std::string& sourcePath, int32_t index, const std::string& targetFile)> iconKey;
  // Folder-removal rows for a folder that the package creates in the user's profile and for
  // its parents up to the profile folder, in the component.
  std::function<void(const std::string& componentName, const std::string& directoryKey)> registerProfileFolders;
};

// Writes the Shortcut rows of the script's shortcuts, in capture order.
void CreateShortcuts(const capture::CaptureScript& script, project::VpxWriter& project, const ShortcutContent& content);

}  // namespace shortcuts
