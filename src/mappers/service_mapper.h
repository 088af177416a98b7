// NT services: the service keys below HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services whose
// program is a captured file become ServiceInstall rows (and, with ServiceControlEvents,
// ServiceControl rows that start the service at install when it starts automatically and stop
// and delete it at removal). Drivers, which the installer cannot install, and services whose
// program is not captured stay in the Registry table with a warning.
#pragma once

#include <string>

#include "mappers/registry_mapper.h"

namespace mappers {

// What a service key says, as the ServiceInstall row takes it.
struct ServiceRecord {
  std::string name;
  std::string displayName;
  std::string imagePath;
  std::string loadOrderGroup;
  std::string dependencies;  // "name[~]+group[~][~]" as the installer reads the list
  std::string account;
  std::string arguments;
  std::string description;
  int32_t errorControl = 0;
  int32_t startType = 0;
  int32_t serviceType = 0;
};

// An image path split into the program and its arguments: the program ends after ".exe"
// followed by a blank or a double quote; doubled backslashes become single ones and double
// quotes are dropped.
void SplitImagePath(const std::string& imagePath, std::string& program, std::string& arguments);

class ServiceMapper : public RegistryMapper {
 public:
  using RegistryMapper::RegistryMapper;

  KeyPosition MapRegistry(KeyPosition start) override;

 private:
  void MapService(KeyPosition start, capture::RegKey& key, const std::string& name);
  ServiceRecord ReadRecord(KeyPosition start, capture::RegKey& key, const std::string& name);
  std::string Dependencies(KeyPosition start, const std::string& keyName);
  void WriteRows(const ServiceRecord& service, const ComponentRef& component);
  int32_t NumberValue(KeyPosition start, const std::string& keyName, const char* valueName);
};

}  // namespace mappers
