// The Directory table seen as a tree of folders: finds or creates the Directory rows along a
// folder path and places INSTALLDIR. Keeps an index of children by folder name and of the short
// names in use below each parent; the index is rebuilt when the table changed behind its back.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "database.h"

namespace qv::engine {

class DirectoryTree {
 public:
  // The key of the folder: "[Key]Sub\Dir\" (below an existing Directory row), an absolute
  // path "D:\Apps\Tool" (below TARGETDIR; the drive is the installer's choice), or a bare
  // Directory key. Missing rows are created with keys made from the folder names and DefaultDir
  // "short|long". kNotFound for an unknown [Key] or bare key, kBadValue for a folder name the
  // file systems do not accept, kInvalidArg for a relative path.
  HResult KeyForPath(Database& db, const std::string& folder, std::string* key);

  // Places INSTALLDIR at the folder (installer form or absolute path). kInvalidArg when the
  // folder lies inside INSTALLDIR itself.
  HResult PlaceInstallDir(Database& db, const std::string& folder);

  static constexpr const char* kInstallDir = "INSTALLDIR";
  static constexpr const char* kTargetDir = "TARGETDIR";

 private:
  Table* Refresh(Database& db);
  // Parses the folder into its starting key and its folder names.
  HResult Parse(Database& db, const std::string& folder, std::string* start, std::vector<std::string>* names);
  HResult Descend(Database& db, Table& table, std::string key, const std::vector<std::string>& names, std::string* result);
  std::string ChildKey(const std::string& parent, const std::string& longName) const;
  std::string NewKey(Database& db, const Table& table, const std::string& folderName);
  std::string NewDefaultDir(const std::string& parent, const std::string& longName);
  void Remember(const std::string& key, const std::string& parent, const std::string& defaultDir);
  void Forget(const std::string& key, const std::string& parent, const std::string& defaultDir);
  bool IsInside(const Table& table, const std::string& key, const std::string& ancestor) const;

  const Table* table_ = nullptr;
  uint64_t version_ = UINT64_MAX;
  // (parent key, lower-case long name) -> key
  std::map<std::pair<std::string, std::string>, std::string> children_;
  // (parent key, upper-case short name) -> number of children using it
  std::map<std::pair<std::string, std::string>, int> shortNames_;
  // (parent key, short name stem) -> next number to try for a generated short name
  std::map<std::pair<std::string, std::string>, int> shortCounters_;
  // Next number to try for a key made from a folder name.
  std::map<std::string, int> keyCounters_;
};

// True when the installer would read name as one of its own properties or one of the
// package's Property rows.
bool IsPropertyName(Database& db, const std::string& name);

// A valid Directory key made from a folder name: letters, digits, '_' and '.', beginning with
// a letter or '_', at most maxLength characters.
std::string KeyFromName(const std::string& name, size_t maxLength);

}  // namespace qv::engine
