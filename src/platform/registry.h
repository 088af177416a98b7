// The registry stand-in. On POSIX the values that fernclip reads and writes under
// HKEY_LOCAL_MACHINE live in one REGEDIT4-format text file: $FERNCLIP_REGISTRY, or
// $XDG_CONFIG_HOME/fernclip/registry.reg (default ~/.config). Keys and value names are
// compared without regard to case; every write replaces the file atomically.
//
// Only string values (REG_SZ) are used by the conversion. Text is single-byte (ANSI) as the
// rest of the conversion.
#pragma once

#include <optional>
#include <string>

namespace platform {

// Only HKEY_LOCAL_MACHINE is stood in for; the root is kept in the API so a Windows
// implementation can pass it through.
enum class RegistryRoot { LocalMachine };

// The path of the stand-in file.
std::string RegistryFilePath();

// True when the key exists (the Windows "open with read access" succeeds).
bool RegistryKeyExists(RegistryRoot root, const std::string& key);

// The string value, or nothing when the key or the value is missing (or the file is unreadable).
std::optional<std::string> ReadRegistryString(RegistryRoot root, const std::string& key,
                                              const std::string& name);

// Creates the key when missing and sets the value. False when the file cannot be written; the
// old file is then left as it was.
bool WriteRegistryString(RegistryRoot root, const std::string& key, const std::string& name,
                         const std::string& value);

// Deletes the value. False when the key or value is missing or the file cannot be written.
bool DeleteRegistryValue(RegistryRoot root, const std::string& key, const std::string& name);

}  // namespace platform
