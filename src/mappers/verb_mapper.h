// Shell verbs: the commands under HKEY_CLASSES_ROOT\<ProgID or extension>\shell\<verb>\command
// whose program is the component of the associated extension become rows of the Verb table.
#pragma once

#include <string>

#include "mappers/extension_mapper.h"
#include "mappers/registry_mapper.h"

namespace mappers {

class VerbMapper : public RegistryMapper {
 public:
  VerbMapper(capture::RegistryModel& registry, project::VpxWriter& project, const ContentAccess& content,
             const ExtensionMapper& extensions)
      : RegistryMapper(registry, project, content), extensions_(extensions) {}

  // Does nothing while the COM mapping switch is off.
  KeyPosition MapRegistry(KeyPosition start) override;

 private:
  void MapVerb(KeyPosition start, capture::RegKey& key, const std::string& name, const std::string& verb);
  // 0, 1, 2, ... for the verbs of one name in key order; 0 again for the next name.
  int32_t NextSequence(const std::string& name);

  const ExtensionMapper& extensions_;
  std::string sequenceName_;
  int32_t sequence_ = 0;
};

}  // namespace mappers
