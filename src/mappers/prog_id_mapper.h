// ProgIDs: the programmatic identifiers under HKEY_CLASSES_ROOT, tied to a class, a component,
// a description and an icon, and written to the ProgId table after the verbs are known
// (a versioned ProgID with its class, its version-independent form with the versioned one as
// parent).
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "mappers/registry_mapper.h"
#include "platform/text.h"

namespace mappers {

struct ProgIdRecord {
  std::string progId;      // the (versioned) ProgID
  std::string viProgId;    // set when the record stands for the version-independent form
  std::string clsid;
  std::string defaultIcon;  // "file,index" of the ProgID's DefaultIcon key
  std::string description;  // default value of HKEY_CLASSES_ROOT\<ProgID>
  ComponentRef component;
  // Values the row stands for, marked mapped when it is written (key, value name).
  std::vector<std::pair<std::string, std::string>> consumed;
};

// Top-level names under HKEY_CLASSES_ROOT that are no ProgIDs: empty names, extensions and
// the well-known keys ("CLSID", "TypeLib", "Interface", ...).
bool IsProgIdName(const std::string& name);

class ProgIdMapper : public RegistryMapper {
 public:
  using RegistryMapper::RegistryMapper;

  // Five passes: current versions, classes naming their version-independent ProgID, ProgIDs
  // naming their class, ProgIDs with shell commands, default icons.
  KeyPosition MapRegistry(KeyPosition start) override;
  // Only while the COM mapping switch is on.
  void WriteProgIdTable();

 private:
  void MapCurrentVersions(KeyPosition start);
  void MapVersionIndependentNames(KeyPosition start);
  void MapClasses(KeyPosition start);
  void MapShellCommands(KeyPosition start);
  void MapDefaultIcons(KeyPosition start);

  void AddVersionIndependent(KeyPosition start, const std::string& progId, const std::string& viProgId,
                             const std::string& consumedKey);
  // The record of a ProgID, or of the version-independent form when the name is one; made when
  // missing.
  ProgIdRecord& RecordFor(const std::string& name);
  void Describe(KeyPosition start, ProgIdRecord& record, const std::string& name);
  void TakeComponent(ProgIdRecord& record, const std::string& name, const ComponentRef& component);

  bool WriteRecord(ProgIdRecord& record);
  void Drop(const ProgIdRecord& record);
  // The ProgID's icon cannot be advertised without a verb: its DefaultIcon stays in the
  // Registry table.
  void KeepIconInRegistry(const ProgIdRecord& record);
  std::string IconKeyOf(const ProgIdRecord& record, int32_t& index);

  // Keyed by the ProgId row's key: the version-independent name when set, else the ProgID.
  std::map<std::string, ProgIdRecord, platform::LessNoCase> records_;
  std::set<std::string, platform::LessNoCase> warnedOrphans_;
};

}  // namespace mappers
