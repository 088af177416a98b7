// What a converted capture leaves on a Wine machine: where each captured file of a capture
// folder lands when a 32-bit package installs it, and the checks that the files arrived with
// their bytes or are gone again.
#pragma once

#include <map>
#include <set>
#include <string>

#include "wine_prefix.h"

namespace winetest {

// The host path where a captured file (path relative to the capture folder, with '/', below a
// folder named after its installer folder property: "ProgramFilesFolder/App/a.txt") lies after
// the install; empty when no such file was found (user-profile folders are searched below
// C:\users, whatever the user's name).
std::string InstalledPathOf(const WinePrefix& wine, const std::string& capturedPath);

// Expects every captured file at its place with its bytes (present), or gone (!present); the
// files named in staying (permanent ones, after an uninstall) are expected in place either way.
void ExpectCapturedFiles(const WinePrefix& wine, const std::map<std::string, std::string>& captured, bool present,
                         const std::set<std::string>& staying = {});

}  // namespace winetest
