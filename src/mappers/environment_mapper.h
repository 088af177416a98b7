// Environment variables: the values of the machine environment key
// (HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Session Manager\Environment) and of the
// user's (HKEY_CURRENT_USER\Environment) become Environment rows that append each element of a
// value to the variable at install and take it away again at removal; the values leave the
// Registry table.
#pragma once

#include "mappers/registry_mapper.h"

namespace mappers {

class EnvironmentMapper : public RegistryMapper {
 public:
  using RegistryMapper::RegistryMapper;

  KeyPosition MapRegistry(KeyPosition start) override;

 private:
  void MapKeys(KeyPosition start, const char* keyName, bool machine);
};

}  // namespace mappers
