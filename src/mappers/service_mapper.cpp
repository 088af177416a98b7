#include "mappers/service_mapper.h"

#include <array>

#include "capture/folder_rules.h"
#include "capture/text_edit.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "options/project_options.h"
#include "platform/text.h"
#include "project/keys.h"
#include "project/msi_record.h"

namespace mappers {
namespace {

constexpr int kUnsupportedServiceType = 22106;
constexpr int kNoImagePath = 22107;
constexpr int kKernelDriver = 1;
constexpr int kFileSystemDriver = 2;
constexpr int kAutoStart = 2;
// ServiceControl events: start at install, stop and delete at removal (0xA1); stop and delete
// at removal only (0xA0).
constexpr int kStartStopDelete = 161;
constexpr int kStopDelete = 160;

// The values that the ServiceInstall row carries; they leave the Registry table.
constexpr std::array kServiceValues = {"ImagePath", "DisplayName", "Group", "Tag", "DependOnService",
                                       "DependOnGroup", "ObjectName", "ErrorControl", "Start", "Type",
                                       "Description"};

// The image path in the form of the capture's own paths: the forms relative to the Windows
// folder ("system32\drivers\x.sys", "\SystemRoot\...", "[%systemroot]...") begin with it.
std::string CapturedFormOfImagePath(const std::string& program) {
  for (const char* root : {"\\SystemRoot\\", "[%systemroot]"})
    if (platform::StartsWithNoCase(program, root)) return "%windir%\\" + program.substr(std::string(root).size());
  const bool absolute = (program.size() > 1 && program[1] == ':') || program.starts_with("\\") ||
                        program.starts_with("%") || program.starts_with("[");
  return absolute ? program : "%windir%\\" + program;
}

// The items of a REG_MULTI_SZ value ("a[~]b"), without empty ones.
std::vector<std::string> ListItems(const std::string& list) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find("[~]", start);
    if (end == std::string::npos) end = list.size();
    const std::string item = platform::Trim(list.substr(start, end - start));
    if (!item.empty()) items.push_back(item);
    start = end + 3;
  }
  return items;
}

}  // namespace

void SplitImagePath(const std::string& imagePath, std::string& program, std::string& arguments) {
  program = imagePath;
  arguments.clear();
  const std::string lower = platform::ToLower(imagePath);
  size_t exe = lower.find(".exe ");
  if (exe == std::string::npos) exe = lower.find(".exe\"");
  if (exe != std::string::npos) {
    arguments = platform::Trim(imagePath.substr(exe + 5));
    program = platform::Trim(imagePath.substr(0, exe + 4));
  }
  program = capture::ReplaceAll(capture::ReplaceAll(program, "\\\\", "\\"), "\"", "");
}

KeyPosition ServiceMapper::MapRegistry(KeyPosition start) {
  const KeyPattern pattern("HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\\\");
  pattern.ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    MapService(start, key, captures[0]);
  });
  return start;
}

void ServiceMapper::MapService(KeyPosition start, capture::RegKey& key, const std::string& name) {
  // A key without values is only the parent of others (such as EventLog's): no service.
  if (key.Values().empty()) return;
  std::string imagePath;
  GetValueData(start, key.FullPath(), "ImagePath", imagePath, false);
  if (imagePath.starts_with("\\?")) {
    capture::StripShortMarker(imagePath);
    core::LogMessage(core::kWarning,
                     platform::Format("Registry entries for service '%s' will remain in the Registry table because "
                                      "the path format for the ImagePath '%s' is not supported by Windows Installer.",
                                      name.c_str(), imagePath.c_str()));
    return;
  }
  std::string program, arguments;
  SplitImagePath(imagePath, program, arguments);
  const ComponentRef component = program.empty() ? ComponentRef() : ComponentOfFile(CapturedFormOfImagePath(program));
  const int32_t serviceType = NumberValue(start, key.FullPath(), "Type");
  if (!component) {
    if (program.empty())
      core::LogMessage(core::kWarning, core::FormatString(kNoImagePath, name.c_str()));
    else
      core::LogMessage(core::kWarning,
                       platform::Format("Registry entries for service '%s' will remain in the Registry table "
                                        "because no component exists for ImagePath '%s'.",
                                        name.c_str(), program.c_str()));
    return;
  }
  // The service's other data (its Parameters, Enum or Security keys) goes with its program.
  GiveComponentToKeys(key.FullPath(), component);
  if (serviceType == kKernelDriver || serviceType == kFileSystemDriver || serviceType <= 0) {
    core::LogMessage(core::kWarning, core::FormatString(kUnsupportedServiceType, name.c_str(), serviceType));
    return;
  }

  ServiceRecord service = ReadRecord(start, key, name);
  service.imagePath = program;
  service.arguments = arguments;
  service.serviceType = serviceType;
  // The rows replace the values whatever the COM mapping switch.
  for (capture::RegValue& value : key.Values())
    for (const char* consumed : kServiceValues)
      if (platform::EqualsNoCase(value.Name(), consumed)) MarkValue(key, value, true);
  WriteRows(service, component);
}

ServiceRecord ServiceMapper::ReadRecord(KeyPosition start, capture::RegKey& key, const std::string& name) {
  const std::string& keyName = key.FullPath();
  ServiceRecord service;
  service.name = name;
  GetValueData(start, keyName, "DisplayName", service.displayName, false);
  service.displayName = capture::ReplaceAll(service.displayName, "\"", "");
  // The standard registration names the load order group in "Group"; "Tag" (a number within
  // the group) holds a group's name only in registrations that were written by hand.
  if (!GetValueData(start, keyName, "Group", service.loadOrderGroup, false)) {
    const capture::RegValue* tag = FindValue(start, keyName, "Tag");
    if (tag && tag->Type() == capture::kString) service.loadOrderGroup = PlainValueText(*tag);
  }
  service.dependencies = Dependencies(start, keyName);
  GetValueData(start, keyName, "ObjectName", service.account, false);
  if (platform::EqualsNoCase(service.account, "LocalSystem")) service.account.clear();
  GetValueData(start, keyName, "Description", service.description, false);
  service.errorControl = NumberValue(start, keyName, "ErrorControl");
  service.startType = NumberValue(start, keyName, "Start");
  return service;
}

// The services ("DependOnService") and the groups ("DependOnGroup", each with the '+' that marks
// a group) that must run first, in the installer's list form.
std::string ServiceMapper::Dependencies(KeyPosition start, const std::string& keyName) {
  std::string list;
  std::string data;
  if (GetValueData(start, keyName, "DependOnService", data, false))
    for (const std::string& service : ListItems(data)) list += service + "[~]";
  if (GetValueData(start, keyName, "DependOnGroup", data, false))
    for (const std::string& group : ListItems(data)) list += (group.starts_with("+") ? "" : "+") + group + "[~]";
  return list.empty() ? list : list + "[~]";
}

int32_t ServiceMapper::NumberValue(KeyPosition start, const std::string& keyName, const char* valueName) {
  std::string data;
  if (!GetValueData(start, keyName, valueName, data, false)) return 0;
  return static_cast<int32_t>(platform::Atol(data));
}

void ServiceMapper::WriteRows(const ServiceRecord& service, const ComponentRef& component) {
  const std::string componentName = ComponentName(component);
  std::string base = service.name;
  project::MakeIdentifier(base);
  const std::string key = project::MakeUniqueKey(project::kServiceInstallKeys, base, 0, false);
  {
    project::MSIRecord row(project_, "ServiceInstall");
    row.SetField(1, key);
    row.SetField(2, service.name);
    if (!service.displayName.empty()) row.SetField(3, service.displayName);
    row.SetField(4, service.serviceType);
    row.SetField(5, service.startType);
    row.SetField(6, service.errorControl);
    if (!service.loadOrderGroup.empty()) row.SetField(7, service.loadOrderGroup);
    if (!service.dependencies.empty()) row.SetField(8, service.dependencies);
    if (!service.account.empty()) row.SetField(9, service.account);
    if (!service.arguments.empty()) row.SetField(11, service.arguments);
    row.SetField(12, componentName);
    if (!service.description.empty()) row.SetField(13, service.description);
  }
  if (options::Options().ServiceControlEvents()) {
    project::MSIRecord row(project_, "ServiceControl");
    row.SetField(1, project::MakeUniqueKey(project::kServiceControlKeys, key + "_Event", 0, false));
    row.SetField(2, service.name);
    row.SetField(3, service.startType == kAutoStart ? kStartStopDelete : kStopDelete);
    row.SetField(6, componentName);
  }
  core::LogTrace(core::kTraceService, "Created service: name = '%s' type = '%i'", service.displayName.c_str(),
                 service.serviceType);
}

}  // namespace mappers
