#include "mappers/odbc_mapper.h"

#include "capture/registry_text.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "options/project_options.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "project/check_hr.h"
#include "project/keys.h"
#include "project/msi_record.h"

namespace mappers {
namespace {

constexpr const char* kDriversRoot = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\";
constexpr const char* kDriverList = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers";
constexpr const char* kTranslatorList = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Translators";
constexpr const char* kSourcesBelowRoot = "\\SOFTWARE\\ODBC\\ODBC.INI\\";
constexpr int32_t kMachineSource = 0;
constexpr int32_t kUserSource = 1;

// The File key of a captured file of the component; empty when it is none.
std::string FileKeyIn(const ComponentRef& component, const std::string& path) {
  if (!component || ComponentOfFile(path).Get() != component.Get()) return {};
  const qv::ComPtr<qv::IFile> file = capture::CapturedFileNamed(path);
  std::string key;
  if (file) CHECK_HR(file->GetKey(&key));
  return platform::Utf8ToAnsi(key);
}

}  // namespace

KeyPosition ODBCMapper::MapRegistry(KeyPosition start) {
  if (options::SequenceSwitch("ODBCDrivers"))
    for (const std::string& description : InstalledEntries(kDriverList)) MapDriver(start, description);
  if (options::SequenceSwitch("ODBCTranslators")) MapTranslators(start);
  if (options::SequenceSwitch("ODBCSources")) {
    MapDataSources(start, "HKEY_LOCAL_MACHINE", kMachineSource);
    MapDataSources(start, "HKEY_CURRENT_USER", kUserSource);
  }
  return start;
}

std::vector<std::string> ODBCMapper::InstalledEntries(const std::string& listKey) {
  std::vector<std::string> entries;
  if (const capture::RegKey* key = FindKey(listKey))
    for (const capture::RegValue& value : key->Values())
      if (platform::EqualsNoCase(PlainValueText(value), "Installed")) entries.push_back(value.Name());
  return entries;
}

void ODBCMapper::MapDriver(KeyPosition start, const std::string& description) {
  core::TestCancel();
  const std::string keyName = kDriversRoot + description;
  std::string driverFile, setupFile;
  GetValueData(start, keyName, "Driver", driverFile, false);
  GetValueData(start, keyName, "Setup", setupFile, false);
  if (platform::Trim(driverFile).empty()) {
    core::LogMessage(core::kWarning,
                     platform::Format("Registry entries for ODBC driver '%s' will remain in the Registry table, "
                                      "because no driver file was specified.",
                                      description.c_str()));
    return;
  }
  const ComponentRef component = ComponentOfFile(driverFile);
  const std::string fileKey = FileKeyIn(component, driverFile);
  if (fileKey.empty()) {
    core::LogMessage(core::kWarning,
                     platform::Format("Registry entries for ODBC driver '%s' will remain in the Registry table "
                                      "because a component could not be found for the driver file '%s'",
                                      description.c_str(), driverFile.c_str()));
    return;
  }
  // The installer's ODBC actions write the driver's registration themselves: what the rows
  // carry leaves the Registry table whatever the COM mapping switch.
  capture::RegKey& key = *FindKey(keyName);
  const std::string setupKey = platform::Trim(setupFile).empty() ? "" : FileKeyIn(component, setupFile);
  const std::string driverKey = project::MakeUniqueKey(project::kODBCDriverKeys, "NewODBCDriver", 0, false);
  {
    project::MSIRecord row(project_, "ODBCDriver");
    row.SetField(1, driverKey);
    row.SetField(2, ComponentName(component));
    row.SetField(3, description);
    row.SetField(4, fileKey);
    // A setup library that the driver's component carries is named by its key, so that the
    // installer writes its installed path.
    if (!setupKey.empty()) row.SetField(5, setupKey);
  }
  // The installer counts the driver's users itself.
  for (capture::RegValue& value : key.Values())
    if (platform::EqualsNoCase(value.Name(), "Driver") || platform::EqualsNoCase(value.Name(), "UsageCount") ||
        (!setupKey.empty() && platform::EqualsNoCase(value.Name(), "Setup")))
      MarkValue(key, value, true);
  WriteAttributes(keyName, "ODBCAttribute", driverKey);
  if (capture::RegKey* list = FindKey(kDriverList))
    for (capture::RegValue& value : list->Values())
      if (platform::EqualsNoCase(value.Name(), description)) MarkValue(*list, value, true);
  core::LogTrace(core::kTraceGeneral, "ODBC Driver created: '%s' for file '%s'", description.c_str(),
                 driverFile.c_str());
}

void ODBCMapper::MapTranslators(KeyPosition) {
  for (const std::string& translator : InstalledEntries(kTranslatorList))
    core::LogTrace(core::kTraceGeneral, "ODBC translator '%s' stays in the Registry table", translator.c_str());
}

void ODBCMapper::MapDataSources(KeyPosition start, const std::string& root, int32_t registration) {
  const std::string listKey = root + kSourcesBelowRoot + "ODBC Data Sources";
  capture::RegKey* list = FindKey(listKey);
  if (!list) return;
  // The list is read first: mapping a data source marks its entry.
  std::vector<std::pair<std::string, std::string>> sources;
  for (const capture::RegValue& value : list->Values())
    if (!value.IsMapped() && value.Name() != "@") sources.emplace_back(value.Name(), PlainValueText(value));
  for (const auto& [name, driver] : sources) MapDataSource(start, root, name, driver, registration);
}

void ODBCMapper::MapDataSource(KeyPosition, const std::string& root, const std::string& name,
                               const std::string& driverDescription, int32_t registration) {
  core::TestCancel();
  if (platform::Trim(driverDescription).empty()) {
    core::LogMessage(core::kWarning,
                     platform::Format("Registry entries for ODBC data source '%s' will remain in the Registry table "
                                      "because no driver description was specified.",
                                      name.c_str()));
    return;
  }
  const std::string sourceKey = project::MakeUniqueKey(project::kODBCDataSourceKeys, "NewDataSource", 0, false);
  const ComponentRef component = content_.odbcSourceComponent(name, sourceKey);
  if (!component) return;
  {
    project::MSIRecord row(project_, "ODBCDataSource");
    row.SetField(1, sourceKey);
    row.SetField(2, ComponentName(component));
    row.SetField(3, name);
    row.SetField(4, driverDescription);
    row.SetField(5, registration);
  }
  WriteAttributes(root + kSourcesBelowRoot + name, "ODBCSourceAttribute", sourceKey);
  capture::RegKey& list = *FindKey(root + kSourcesBelowRoot + "ODBC Data Sources");
  for (capture::RegValue& value : list.Values())
    if (platform::EqualsNoCase(value.Name(), name)) MarkValue(list, value, true);
  core::LogTrace(core::kTraceGeneral, "ODBC Data Source created: '%s' for driver '%s' ", name.c_str(),
                 driverDescription.c_str());
}

void ODBCMapper::WriteAttributes(const std::string& keyName, const char* table, const std::string& owner) {
  capture::RegKey* key = FindKey(keyName);
  if (!key) return;
  for (capture::RegValue& value : key->Values()) {
    // The default value is no attribute: it stays registry data.
    if (value.IsMapped() || value.Name() == "@") continue;
    {
      project::MSIRecord row(project_, table);
      row.SetField(1, owner);
      row.SetField(2, value.Name());
      row.SetField(3, PlainValueText(value));
    }
    MarkValue(*key, value, true);
  }
}

}  // namespace mappers
