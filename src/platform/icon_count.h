// How many icons a file holds, as the shell counts them: the icon groups of a PE file, the
// images of an .ico file. Other files hold none.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Nothing when the file cannot be read or is a malformed PE or icon file.
std::optional<int> CountIcons(const std::string& path);
std::optional<int> CountIconsInBytes(std::string_view bytes);

}  // namespace platform
