// Profile files (INI files) with the behaviour of the Windows profile-file functions: section
// and key names compared without regard to case, the first matching section and key win, white
// space around names and values trimmed, one pair of surrounding quotes removed from a value on
// reading, results cut to the caller's buffer size (size - 1 characters), and writing that
// changes one value and keeps the rest of the file as it was (atomically).
//
// A missing, unreadable or binary file reads as empty; a text file with a NUL byte reads up to
// it (and is never rewritten).
#pragma once

#include <string>
#include <vector>

namespace platform {

// GetPrivateProfileString: the value, or defaultValue when the section or key is missing.
std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& path,
                             size_t bufferSize = 260);

// GetPrivateProfileInt: the value's leading decimal digits (with an optional sign), or
// defaultValue when the key is missing.
int GetProfileInt(const std::string& section, const std::string& key, int defaultValue,
                  const std::string& path);

// GetPrivateProfileSection: the "key=value" entries of the section in file order (lines
// without '=' are returned whole; comment lines beginning with ';' are skipped). The total,
// counting one terminator per entry and the final one, is cut to bufferSize.
std::vector<std::string> GetProfileSection(const std::string& section, const std::string& path,
                                           size_t bufferSize = 32000);

// GetPrivateProfileString with a null key: the key names of the section, in file order.
std::vector<std::string> GetProfileKeyNames(const std::string& section, const std::string& path,
                                            size_t bufferSize = 32000);

// WritePrivateProfileString: sets key in section (adding the section and key when missing).
// False, with errno-style code in *error when given, when the file cannot be written: it is
// read-only, cannot be read whole, or neither a temporary file beside it nor the file itself
// can be written.
bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path, int* error = nullptr);

enum class ProfileFileState { kReadable, kMissing, kUnreadable, kCutAtNul };
// How the reading functions see the file: kUnreadable for one that they read as empty although
// it exists (no permission, binary), kCutAtNul for one read only up to a NUL byte.
ProfileFileState InspectProfileFile(const std::string& path);

}  // namespace platform
