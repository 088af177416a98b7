// Application paths: the per-executable keys below
// HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths whose program is a
// captured file become the application path of that file's component (the executable's name
// and its search path in installer directory properties); the builder writes the App Paths key
// from it into the component, and the captured values leave the Registry table.
#pragma once

#include <string>

#include "mappers/registry_mapper.h"

namespace mappers {

class AppPathsMapper : public RegistryMapper {
 public:
  using RegistryMapper::RegistryMapper;

  KeyPosition MapRegistry(KeyPosition start) override;

 private:
  void MapAppPath(KeyPosition start, capture::RegKey& key, const std::string& executable);
  // The "Path" value as directory properties, "[DIR1];[DIR2]"; false when an element names no
  // folder the project can hold.
  bool TranslateSearchPath(std::string path, std::string& searchPath);
};

}  // namespace mappers
