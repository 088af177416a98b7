// The Icon rows: one per icon file and index, shared by everything that shows an icon.
#pragma once

#include <cstdint>
#include <string>

namespace content {

// The key of the Icon row for an icon file and index, writing the row the first time. The key
// takes the target file's extension when the target is given and its extension differs, so an
// icon of app.ico for a shortcut to app.exe is "Icon_app.exe". Empty, after an error naming
// it, for an icon file outside the capture's folder or one that is no regular file.
std::string GetIconKey(const std::string& iconFile, int32_t iconIndex, const std::string& targetFile);

// Forgets the icon keys handed out (at the end of a conversion).
void ResetIconKeys();

}  // namespace content
