// Registry and RemoveRegistry rows.
#include "content/registry_writer.h"

#include "capture/formatted_text.h"
#include "capture/path_translation.h"
#include "capture/registry_model.h"
#include "capture/registry_text.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "options/project_options.h"
#include "platform/codepage.h"
#include "project/check_hr.h"
#include "project/component_lookup.h"
#include "project/msi_record.h"

namespace content {

namespace {

constexpr const char* kMachineComponent = "RegistryData_Machine";
constexpr const char* kUserComponent = "RegistryData_User";
constexpr const char* kClassesComponent = "RegistryData_HKCR";
constexpr const char* kRemoveComponent = "RemoveRegistry_Component";
constexpr const char* kDefaultValueName = "@";
constexpr const char* kRemoveWholeKey = "-";
// Registry keys taken by rows of other steps are skipped over.
constexpr int kKeyAttempts = 1000;

std::string ToEngine(const std::string& ansi) { return platform::AnsiToUtf8(ansi); }

int32_t RootNumber(uint32_t root) { return static_cast<int32_t>(root % 4096); }

// The installer's value name: the default value has none.
std::string InstallerValueName(const capture::RegValue& value) {
  return value.Name() == kDefaultValueName ? std::string() : value.Name();
}

// Text the capture's code page cannot convert would reach the package as something else: the
// value is left out with an error that names it.
bool IsConvertible(const capture::RegKey& key, const capture::RegValue* value) {
  if (platform::IsConvertible(key.SubkeyPath()) &&
      (!value || (platform::IsConvertible(value->Name()) && platform::IsConvertible(value->Data()))))
    return true;
  core::LogMessage(core::kError,
                   platform::Format("The registry value '%s' of the key '%s' holds text that code page %d "
                                        "cannot convert; it is left out.",
                                        value ? value->Name().c_str() : "", key.FullPath().c_str(),
                                        platform::ActiveCodePage()));
  return false;
}

// The installer's Registry and RemoveRegistry tables hold key paths and value names of up to 255
// characters. A longer one is left out whole: a row without its key path is broken, and one
// without its name would stand for the key's default value.
void ReportLeftOut(const char* table, const capture::RegKey& key, const capture::RegValue* value) {
  core::LogMessage(core::kError,
                   platform::Format("The registry value '%s' of the key '%s' has a key path or name longer than "
                                    "the installer's %s table holds; it is left out.",
                                    platform::Excerpt(value ? value->Name() : "").c_str(),
                                    platform::Excerpt(key.FullPath()).c_str(), table));
}

bool FeatureExists(project::VpxWriter& writer, const std::string& feature) {
  qv::ComPtr<qv::ITable> table = writer.FindTable("Feature");
  qv::ComPtr<qv::IRow> row;
  return table && table->FindRow({qv::Variant::Text(ToEngine(feature))}, row.Put()) == qv::kOk;
}

}  // namespace

RegistryWriter::RegistryWriter(project::VpxWriter& project) : RegistryTableWriter(project) { Reset(); }

void RegistryWriter::WriteRegistry(capture::RegistryModel& model) {
  registryKeys_.Reset();
  for (const char* name : {kMachineComponent, kUserComponent, kClassesComponent})
    project::FindOrCreateDataComponent(name, name == kUserComponent);
  for (auto& [path, key] : model.Keys()) {
    core::TestCancel();
    if (!key.IsKeyMapped()) WriteKey(key, false);
    key.ReleaseValues();
  }
}

void RegistryWriter::WriteRemoveRegistry(capture::RegistryModel& deleted) {
  core::TestCancel();
  project_.SetCurrentFeature("");
  qv::ComPtr<qv::IComponent> component = project::FindOrCreateDataComponent(kRemoveComponent);
  for (auto& [path, key] : deleted.Keys()) {
    key.SetComponent(component);
    WriteKey(key, true);
    key.ReleaseValues();
  }
}

// The component of a key: the one an earlier step gave it, else the registry data component
// of its root (with the key's component tag, in the feature of that name).
std::string RegistryWriter::ComponentNameFor(const capture::RegKey& key) {
  if (key.Component()) {
    std::string name;
    CHECK_HR(key.Component()->GetName(&name));
    return platform::Utf8ToAnsi(name);
  }
  std::string name = kMachineComponent;
  bool perUser = false;
  switch (key.Root()) {
    case capture::kHKeyCurrentUser:
      name = kUserComponent;
      perUser = true;
      break;
    case capture::kHKeyUsers:
      if (options::Options().UseHKCUProxy()) {
        name = kUserComponent;
        perUser = true;
      }
      break;
    case capture::kHKeyClassesRoot:
      name = kClassesComponent;
      break;
    default:
      break;
  }
  if (key.ComponentTag().empty()) {
    project_.SetCurrentFeature("");
    return name;
  }
  // The tag names a feature of the capture; one the project lacks would leave the component
  // in no feature the installer knows, so it then goes to the default feature.
  std::string feature = key.ComponentTag();
  project::MakeIdentifier(feature, project::IdentifierLimit::kFeature);
  project_.SetCurrentFeature(FeatureExists(project_, feature) ? feature : project_.DefaultFeature());
  name += "_" + key.ComponentTag();
  project::MakeIdentifier(name);
  project::FindOrCreateDataComponent(name, perUser);
  return name;
}

void RegistryWriter::WriteKey(capture::RegKey& key, bool removal) {
  if (!written_.insert(&key).second) return;
  // Only the four registry roots reach the installer: INI edits (HKEY_INIFILES) are the INI
  // step's, and other roots have no place in the tables.
  if (key.Root() == capture::kNoRoot) {
    if (!platform::StartsWithNoCase(key.FullPath(), "HKEY_INIFILES\\"))
      core::LogMessage(core::kWarning,
                       platform::Format("Registry entries for '%s' were left out: the key is "
                                            "not under a root that the installer can write.",
                                            platform::Excerpt(key.FullPath()).c_str()));
    return;
  }
  if (key.SubkeyPath().empty()) return;
  const std::string componentName = ComponentNameFor(key);
  // The cells that every row of the key shares.
  qv::RegistryRow row;
  if (!removal) {
    row.root = RootNumber(key.Root());
    row.keyPath = ToEngine(capture::EscapeKeyPath(key.SubkeyPath()));
    row.component = ToEngine(componentName);
  }

  bool wroteValue = false;
  for (const capture::RegValue& value : key.Values()) {
    if (value.IsMapped()) continue;
    if (removal)
      WriteRemoveRegistryRow(key, &value, componentName);
    else
      WriteRegistryRow(key, &value, row);
    wroteValue = true;
  }
  if (!wroteValue && key.Values().empty() && !key.IsMapped() && !key.IsKeyMapped()) {
    if (removal)
      WriteRemoveRegistryRow(key, nullptr, componentName);
    else
      WriteRegistryRow(key, nullptr, row);
  }
}

void RegistryWriter::WriteRegistryRow(const capture::RegKey& key, const capture::RegValue* value,
                                      qv::RegistryRow& row) {
  if (!IsConvertible(key, value) || !GetCollection()) return;
  // The whole row goes in at once: a capture holds hundreds of thousands of these.
  std::string tableValue;
  if (value) {
    row.name = ToEngine(InstallerValueName(*value));
    tableValue = capture::GetRegistryTableValue(*value);
    row.value = ToEngine(tableValue);
  } else {
    row.name.clear();
    row.value.clear();
  }
  qv::HResult added = qv::kDuplicateKey;
  for (int attempt = 0; attempt < kKeyAttempts && added == qv::kDuplicateKey; ++attempt) {
    row.key = ToEngine(registryKeys_.Next());
    added = GetCollection()->Add(row);
  }
  if (added == qv::kBadValue) {
    ReportLeftOut("Registry", key, value);
    return;
  }
  if (qv::Failed(CHECK_HR(added))) return;
  // Numbers ("#42") and binary data ("#x...") hold no paths.
  const bool number = tableValue.size() > 1 && tableValue[0] == '#' && tableValue[1] != '%' && tableValue[1] != '#';
  if (value && !number && capture::HoldsDrivePath(tableValue)) capture::WarnMachineSpecificPath(tableValue);
}

// A removed value keeps its name (the default value has none); "-" removes the key itself.
void RegistryWriter::WriteRemoveRegistryRow(const capture::RegKey& key, const capture::RegValue* value,
                                            const std::string& componentName) {
  if (!IsConvertible(key, value)) return;
  project::MSIRecord record(project_, "RemoveRegistry");
  record.SetField(1, removeRegistryKeys_.Next());
  record.SetField(2, RootNumber(key.Root()));
  record.SetField(3, capture::EscapeKeyPath(key.SubkeyPath()));
  const std::string name = value ? InstallerValueName(*value) : std::string(kRemoveWholeKey);
  if (!name.empty()) record.SetField(4, name);
  record.SetField(5, componentName);
  if (!record.Commit()) ReportLeftOut("RemoveRegistry", key, value);
}

}  // namespace content
