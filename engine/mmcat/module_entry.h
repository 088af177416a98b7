// What the catalog knows of one merge module (.msm): its identity from ModuleSignature and the
// files it installs, each with the folder it goes to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::engine {

struct ModuleFile {
  std::string longName;  // the File table's FileName after the '|'
  std::string version;   // "a.b.c.d", empty for an unversioned file
  std::string language;  // the File table's Language: comma-separated ids, may be empty
  // The target folder: a standard folder property followed by the names of the folders below
  // it, separated by '\' ("SystemFolder", "CommonFilesFolder\Fern Shared"); empty when the
  // module's Directory chain reaches no standard folder.
  std::string folder;
};

struct ModuleEntry {
  std::string path;  // host path of the .msm
  uint64_t size = 0;
  int64_t modified = 0;  // modification time, nanoseconds since the epoch
  // Empty for a readable module; otherwise why the module is skipped.
  std::string problem;
  std::string language;  // ModuleSignature
  std::string version;   // ModuleSignature
  std::vector<ModuleFile> files;
};

// Reads the module's ModuleSignature, File, Component and Directory tables into entry (path,
// size and modification time are the caller's). A file that is no readable merge module gets
// its problem set and no files.
void ReadModule(const std::string& path, ModuleEntry* entry);

// A version text in the four-part form "a.b.c.d" (missing parts 0); empty when the text is no
// version (a companion file's key, or nothing).
std::string NormalizedVersion(const std::string& text);

}  // namespace qv::engine
