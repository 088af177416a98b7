// The frame of every registry mapper. A mapper walks the captured registry keys (ordered by
// full name, without regard to case) from a start position, turns what it recognises into rows
// of a dedicated table, and marks the values it consumed as mapped: the Registry table receives
// only what no mapper marked. A mapper may also give keys a component, so that their remaining
// values land in that component's Registry rows instead of the per-root registry components.
//
// To add a mapper: derive from RegistryMapper, find keys with KeyPattern, read values with
// FindValue/GetValueData (which mark only while the COM mapping switch is on), and add the
// mapper to the registry mapping step of the pipeline.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "capture/knowledge_base.h"
#include "capture/registry_model.h"
#include "mappers/key_pattern.h"

namespace project {
class VpxWriter;
}

namespace mappers {

using ComponentRef = capture::ComponentRef;

// What the mappers need of the content steps, handed in by the pipeline (the content steps
// lie beside the mappers, not below them).
struct ContentAccess {
  // The Icon row key for an icon file (the source path the project stores for a captured
  // file) and index, writing the row the first time.
  std::function<std::string(const std::string& sourcePath, int32_t index)> iconKey;
  // Environment rows that append each ';'-separated element of data to the variable (the
  // machine's environment or the user's).
  std::function<void(const std::string& variable, const std::string& data, bool machine)> appendEnvironment;
  // A new component of its own for an ODBC data source, in INSTALLDIR, whose key path is the
  // data source's ODBCDataSource row.
  std::function<ComponentRef(const std::string& dataSource, const std::string& dataSourceKey)> odbcSourceComponent;
};

// The switches of the mapping step, copied from the options when it starts.
// COMMapping: while it is off the mappers still run and log, but mark nothing, write no
// advertising rows and issue no warning that mentions the Registry table.
// MiscRegMapping (section "Sequence"): keys below a mapped registration are given the
// registration's component.
void SetMappingSwitches(bool comMapping, bool miscRegMapping);
bool ComMapping();
bool MiscRegMapping();

class RegistryMapper {
 public:
  RegistryMapper(capture::RegistryModel& registry, project::VpxWriter& project, const ContentAccess& content);
  virtual ~RegistryMapper() = default;
  RegistryMapper(const RegistryMapper&) = delete;
  RegistryMapper& operator=(const RegistryMapper&) = delete;

  // The mapper's own work from the start position; returns the start position for the next
  // mapper.
  virtual KeyPosition MapRegistry(KeyPosition start) = 0;

  // The value of that name (the default value is "@") of the key of that full name at or after
  // the start position; names compared without regard to case. Null when either is missing.
  capture::RegValue* FindValue(KeyPosition start, const std::string& keyName, const std::string& valueName);
  // FindValue, then the value's data as plain text (string data loses its formatted-text
  // escapes); with mark, the value is marked mapped while the COM mapping switch is on.
  bool GetValueData(KeyPosition start, const std::string& keyName, const std::string& valueName,
                    std::string& data, bool mark);

  // Marks a value mapped (or clears the mark). A key whose values are all marked is marked
  // mapped itself; clearing a value's mark clears the key's mark but leaves its other values
  // as they are (they may be another mapper's).
  static void MarkValue(capture::RegKey& key, capture::RegValue& value, bool mapped);
  // MarkValue of the named value of a key, while the COM mapping switch is on.
  void MarkMapped(const std::string& keyName, const std::string& valueName, bool mapped = true);

 protected:
  KeyMap& Keys() { return registry_.Keys(); }
  KeyPosition Begin() { return registry_.Keys().begin(); }
  capture::RegKey* FindKey(const std::string& keyName) { return registry_.FindKey(keyName); }

  // Gives every key whose name is keyName or lies below it the component (an ordered range,
  // not a walk over all keys).
  void GiveComponentToKeys(const std::string& keyName, const ComponentRef& component);
  // GiveComponentToKeys when MiscRegMapping is on; otherwise only the key of that name.
  void GiveComponentToRegistration(const std::string& keyName, const ComponentRef& component);

  capture::RegistryModel& registry_;
  project::VpxWriter& project_;
  const ContentAccess& content_;
};

// Helpers the mappers share.

// The plain text of a string value's data (the "[\x]" escapes of formatted text undone).
std::string PlainValueText(const capture::RegValue& value);
// The component's name (ANSI).
std::string ComponentName(const ComponentRef& component);
// The feature an advertising row of the component names: the component's first feature, or
// the one the project gives new components.
std::string FeatureOfComponent(project::VpxWriter& project, const ComponentRef& component);
// "file,index" split at the last comma; no comma (or no number after it): index 0.
void SplitIconValue(const std::string& value, std::string& file, int32_t& index);
// The component of a file that a registry value names (quotes, "_Short(...)" and the
// capture's folder forms allowed); empty when the file is not a captured one.
ComponentRef ComponentOfFile(const std::string& path);
// The source path that the project stores for such a captured file; empty when it is none.
std::string SourcePathOfFile(const std::string& path);

}  // namespace mappers
