// The registry stand-in. On POSIX the values that fernclip reads and writes under
// HKEY_LOCAL_MACHINE live in one REGEDIT4-format text file: $FERNCLIP_REGISTRY, or
// $XDG_CONFIG_HOME/fernclip/registry.reg (default ~/.config). Keys and value names are
// compared without regard to case. Every line that is REGEDIT4 is read; a file with other lines
// is never rewritten. A write changes only the lines of its value (comments, other lines and
// line ends stay as they were) and replaces the file atomically.
//
// Only string values (REG_SZ) are used by the conversion. Text is single-byte (ANSI) as the
// rest of the conversion.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// Only HKEY_LOCAL_MACHINE is stood in for; the root is kept in the API so a Windows
// implementation can pass it through.
enum class RegistryRoot { LocalMachine };

// The absolute path of the stand-in file. A relative setting is resolved against the current
// folder of the first call, and stays that file while the setting is unchanged.
std::string RegistryFilePath();

// A line of the stand-in file that is not REGEDIT4 (ignored when reading), or line 0 when the
// whole file cannot be read as text.
struct RegistryFileProblem {
  size_t line = 0;  // 1-based
  std::string text;
};
std::vector<RegistryFileProblem> RegistryFileProblems();

// True when the key exists (the Windows "open with read access" succeeds).
bool RegistryKeyExists(RegistryRoot root, const std::string& key);

// The string value, or nothing when the key or the value is missing (or the file is unreadable).
std::optional<std::string> ReadRegistryString(RegistryRoot root, const std::string& key,
                                              const std::string& name);

// Creates the key when missing and sets the value. False when the file cannot be written or
// has problems; the old file is then left as it was.
bool WriteRegistryString(RegistryRoot root, const std::string& key, const std::string& name,
                         const std::string& value);

// Deletes the value. False when the key or value is missing or the file cannot be written.
bool DeleteRegistryValue(RegistryRoot root, const std::string& key, const std::string& name);

}  // namespace platform
