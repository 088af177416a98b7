// The captured registry data that no mapper took, as Registry rows in the registry data
// components (one per root), and the captured registry deletions as RemoveRegistry rows.
#pragma once

#include <set>
#include <string>

#include "project/keys.h"
#include "project/table_writer.h"

namespace capture {
class RegKey;
class RegValue;
class RegistryModel;
}  // namespace capture

namespace content {

class RegistryWriter : public project::RegistryTableWriter {
 public:
  explicit RegistryWriter(project::VpxWriter& project);

  // Every key of the model that no mapper claimed, in the model's order. The last step that
  // reads the model's values: each key's values are released once written, so that a large
  // capture's registry is not held both in the model and in the project.
  void WriteRegistry(capture::RegistryModel& model);
  // Every key of the model of deleted registry data, into "RemoveRegistry_Component"; the values
  // are released as above.
  void WriteRemoveRegistry(capture::RegistryModel& deleted);
  // One key with its values not claimed by a mapper; a key without values gives one row for
  // the key itself. A key is written once.
  void WriteKey(capture::RegKey& key, bool removal);

 private:
  std::string ComponentNameFor(const capture::RegKey& key);
  // row holds the key's cells (root, key path, component); the value's are set here.
  void WriteRegistryRow(const capture::RegKey& key, const capture::RegValue* value, qv::RegistryRow& row);
  void WriteRemoveRegistryRow(const capture::RegKey& key, const capture::RegValue* value,
                              const std::string& componentName);

  std::set<const capture::RegKey*> written_;
  project::RunningKey registryKeys_{"Registry_"};
  project::RunningKey removeRegistryKeys_{"RemoveRegistry_"};
};

}  // namespace content
