// ODBC drivers and data sources: the drivers that HKEY_LOCAL_MACHINE\SOFTWARE\ODBC\ODBCINST.INI
// lists as installed, whose driver file is a captured file, become ODBCDriver rows with their
// ODBCAttribute rows; the machine's and the user's data sources (the lists of ODBC.INI under
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER) become ODBCDataSource rows, each in a component of
// its own, with their ODBCSourceAttribute rows. The installer's ODBC actions then register them;
// their registry data leaves the Registry table. Translators are only recognised: their data
// stays there.
#pragma once

#include <string>
#include <vector>

#include "mappers/registry_mapper.h"

namespace mappers {

class ODBCMapper : public RegistryMapper {
 public:
  using RegistryMapper::RegistryMapper;

  // The parts that the "Sequence" switches "ODBCDrivers", "ODBCTranslators" and "ODBCSources"
  // leave on, in that order.
  KeyPosition MapRegistry(KeyPosition start) override;

 private:
  void MapDriver(KeyPosition start, const std::string& description);
  void MapTranslators(KeyPosition start);
  void MapDataSources(KeyPosition start, const std::string& root, int32_t registration);
  void MapDataSource(KeyPosition start, const std::string& root, const std::string& name,
                     const std::string& driverDescription, int32_t registration);
  // The unmapped values of a key (but its default value) as attribute rows of the table (first
  // column: owner), marked mapped.
  void WriteAttributes(const std::string& keyName, const char* table, const std::string& owner);
  // The "Installed" entries of a list key ("ODBC Drivers", "ODBC Translators").
  std::vector<std::string> InstalledEntries(const std::string& listKey);
};

}  // namespace mappers
