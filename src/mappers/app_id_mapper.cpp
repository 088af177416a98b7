#include "mappers/app_id_mapper.h"

#include "capture/formatted_text.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "project/msi_record.h"

namespace mappers {
namespace {

constexpr int kUndefinedAppId = 22110;

}  // namespace

KeyPosition AppIdMapper::MapRegistry(KeyPosition start) {
  KeyPattern("HKEY_CLASSES_ROOT\\AppID\\\\").ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    if (capture::IsBracedGuid(captures[0]))
      MapAppId(start, key, captures[0]);
    else
      MapExecutableName(start, key);
  });
  return start;
}

void AppIdMapper::MapAppId(KeyPosition start, capture::RegKey& key, const std::string& appId) {
  const ComponentRef component = capture::GetComponentFor(appId);
  if (!component) {
    if (ComMapping())
      core::LogMessage(core::kWarning, core::FormatString(kUndefinedAppId, appId.c_str()));
    return;
  }
  GiveComponentToRegistration(key.FullPath(), component);

  std::string remoteServerName, localService, dllSurrogate, serviceParameters, activateAtStorage, runAs;
  GetValueData(start, key.FullPath(), "RemoteServerName", remoteServerName, true);
  GetValueData(start, key.FullPath(), "LocalService", localService, true);
  GetValueData(start, key.FullPath(), "DllSurrogate", dllSurrogate, true);
  GetValueData(start, key.FullPath(), "ServiceParameters", serviceParameters, true);
  // The two flags are marked only where the row carries them.
  const bool activateAtStorageOn = GetValueData(start, key.FullPath(), "ActivateAtStorage", activateAtStorage, false) &&
                                   platform::EqualsNoCase(activateAtStorage, "Y");
  const bool interactiveUser = GetValueData(start, key.FullPath(), "RunAs", runAs, false) &&
                               platform::EqualsNoCase(runAs, "Interactive User");
  if (!ComMapping()) return;
  if (activateAtStorageOn) MarkMapped(key.FullPath(), "ActivateAtStorage");
  if (interactiveUser) MarkMapped(key.FullPath(), "RunAs");

  project::MSIRecord row(project_, "AppId");
  row.SetField(1, platform::ToUpper(appId));
  if (!remoteServerName.empty()) row.SetField(2, remoteServerName);
  if (!localService.empty()) row.SetField(3, localService);
  if (!serviceParameters.empty()) row.SetField(4, serviceParameters);
  if (!dllSurrogate.empty()) row.SetField(5, dllSurrogate);
  if (activateAtStorageOn) row.SetField(6, 1);
  if (interactiveUser) row.SetField(7, 1);
}

void AppIdMapper::MapExecutableName(KeyPosition start, capture::RegKey& key) {
  std::string appId;
  if (!GetValueData(start, key.FullPath(), "AppID", appId, false)) return;
  if (const ComponentRef component = capture::GetComponentFor(appId)) GiveComponentToRegistration(key.FullPath(), component);
}

}  // namespace mappers
