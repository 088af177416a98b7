// The version resource (VS_VERSION_INFO) of a PE file: the fixed file version and the first
// language of its translation table, as the installer records them for versioned files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct FileVersionInfo {
  // Major, minor, build, revision: the four 16-bit parts of the fixed file version.
  uint16_t parts[4] = {0, 0, 0, 0};
  // First entry of the translation table ("VarFileInfo\Translation"), when there is one.
  std::optional<uint16_t> language;
  std::optional<uint16_t> codePage;

  // "major.minor.build.revision".
  std::string VersionText() const;
};

enum class VersionStatus {
  kFound,        // the file has a well-formed version resource
  kNoVersion,    // a file without version resource (any kind of file)
  kNotLoadable,  // unreadable, or a PE file whose headers or resources are malformed
};

// Reads the version resource of a file on disk (a host path).
VersionStatus ReadFileVersionInfo(const std::string& path, FileVersionInfo* info);

// The same for the bytes of a file already in memory.
VersionStatus ParseFileVersionInfo(std::string_view image, FileVersionInfo* info);

}  // namespace platform
