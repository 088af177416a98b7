// The catalog's index kept between runs: one text file in the user's cache folder with what
// each merge module holds, so that a module is read again only when its size or modification
// time changed. The file is untrusted: anything damaged or foreign makes it read as empty.
#pragma once

#include <map>
#include <string>

#include "module_entry.h"

namespace qv::engine {

using ModuleEntries = std::map<std::string, ModuleEntry>;  // by module path

// "$XDG_CACHE_HOME/fernclip/merge-modules.index", with "~/.cache" when XDG_CACHE_HOME is unset
// or empty; empty when neither it nor HOME is set.
std::string DefaultIndexCachePath();

// The entries of the cache file; empty when it is missing, damaged, foreign or too large.
ModuleEntries LoadIndexCache(const std::string& path);

// Writes the cache file atomically (creating its folder); false when it cannot be written.
bool SaveIndexCache(const std::string& path, const ModuleEntries& entries);

}  // namespace qv::engine
