// AppIDs: the DCOM application registrations HKEY_CLASSES_ROOT\AppID\{GUID} that a mapped class
// names become rows of the AppId table in that class's component.
#pragma once

#include "mappers/registry_mapper.h"

namespace mappers {

class AppIdMapper : public RegistryMapper {
 public:
  using RegistryMapper::RegistryMapper;

  KeyPosition MapRegistry(KeyPosition start) override;

 private:
  void MapAppId(KeyPosition start, capture::RegKey& key, const std::string& appId);
  // An AppID key named after an executable ("AppID\app.exe") goes with the AppID it names.
  void MapExecutableName(KeyPosition start, capture::RegKey& key);
};

}  // namespace mappers
