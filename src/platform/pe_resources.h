// Resources of a PE file (executable or DLL), read from the file's bytes without loading it.
// The input is untrusted: every offset and length is checked, and a malformed file is simply
// "not loadable".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Standard resource types.
constexpr uint32_t kResourceTypeIcon = 3;
constexpr uint32_t kResourceTypeFontDirectory = 7;
constexpr uint32_t kResourceTypeGroupIcon = 14;
constexpr uint32_t kResourceTypeVersion = 16;

struct PeResource {
  uint32_t id = 0;        // numeric name; 0 for a named resource
  std::string name;       // the name of a named resource (ASCII of its UTF-16 text)
  uint32_t language = 0;  // language identifier
  std::string_view data;  // into the image handed to ParsePeResources
};

// The resources of one type in the image, in directory order (names first, then ids);
// nothing when the image is no PE file or its resource directory is malformed.
std::optional<std::vector<PeResource>> ParsePeResources(std::string_view image, uint32_t type);
// The same for a type given by name ("TYPELIB"), compared without regard to case.
std::optional<std::vector<PeResource>> ParsePeResources(std::string_view image, std::string_view typeName);

// The face name of the first font in the font directory (FONTDIR resource) of a font file: a
// 16-bit (NE) ".fon" file, as fonts of that kind are, or a PE file. Nothing when the file has
// none or it is malformed.
std::optional<std::string> FontFaceName(std::string_view image);
// The same for a file on disk (nothing when it cannot be read).
std::optional<std::string> FontFaceNameOfFile(const std::string& path);

// True when the bytes begin like a 16-bit (NE) executable, as font resource files are.
bool LooksLikeNeImage(std::string_view image);

// True when the bytes begin like a PE file ("MZ" header pointing to a "PE\0\0" signature).
bool LooksLikePeImage(std::string_view image);

}  // namespace platform
