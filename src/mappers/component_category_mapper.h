// Component categories (HKEY_CLASSES_ROOT\Component Categories\{CATID}): the installer has no
// table for them, so their registrations stay in the Registry table; the mapper only looks at
// them so that malformed category ids show in the log.
#pragma once

#include "mappers/registry_mapper.h"

namespace mappers {

class ComponentCategoryMapper : public RegistryMapper {
 public:
  using RegistryMapper::RegistryMapper;

  KeyPosition MapRegistry(KeyPosition start) override;
};

}  // namespace mappers
