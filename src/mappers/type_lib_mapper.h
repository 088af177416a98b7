// Type libraries: the registrations HKEY_CLASSES_ROOT\TypeLib\{GUID}\<version>\<locale>\win32
// whose library file is a captured file that really holds that library become rows of the
// TypeLib table, so that the installer registers the library itself; the interfaces that name
// a mapped library go with its component.
#pragma once

#include <map>
#include <string>
#include <tuple>

#include "mappers/registry_mapper.h"

namespace mappers {

struct TypeLibRecord {
  std::string guid;  // upper case
  std::string version;
  std::string locale;
  ComponentRef component;
  std::string win32Key;
};

// (major << 8) + minor of a registered version text ("1.0", "5.5"; the registry writes the two
// numbers in hexadecimal); a text without "." is the minor part alone.
int32_t TypeLibVersionNumber(const std::string& version);

class TypeLibMapper : public RegistryMapper {
 public:
  using RegistryMapper::RegistryMapper;

  // Finds and checks the libraries, writes the TypeLib rows while the COM mapping switch is on,
  // then gives the interfaces that name a mapped library its component.
  KeyPosition MapRegistry(KeyPosition start) override;

 private:
  void MapLibrary(KeyPosition start, capture::RegKey& key, const Captures& captures);
  // Whether the captured file holds a library of that GUID and locale: the file itself, then
  // its type library resources 1, 2, ... until one matches or none is left.
  bool FileHoldsLibrary(const std::string& file, const std::string& guid, const std::string& locale);
  void AddRecord(TypeLibRecord record);
  void WriteTypeLibTable();
  void MapInterfaces(KeyPosition start);

  // By the TypeLib table's key: GUID, language, component name.
  std::map<std::tuple<std::string, int32_t, std::string>, TypeLibRecord> records_;
  // GUIDs of the mapped libraries, with their component.
  std::map<std::string, ComponentRef, platform::LessNoCase> libraries_;
};

}  // namespace mappers
