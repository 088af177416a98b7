#include "frontend/capture_steps.h"

#include "capture/capture_script.h"
#include "capture/path_translation.h"
#include "capture/registry_model.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "options/project_options.h"
#include "platform/text.h"

namespace frontend {
namespace {

constexpr int kNoInstallDir = 22201;
constexpr int kOemFileChanged = 22202;

}  // namespace

void ReadCapture(capture::CaptureScript& script) {
  script.ReadScript();
  const options::ProjectOptions& settings = options::Options();
  if (settings.InstallDir().empty() && settings.NewInstallDir().empty())
    core::LogMessage(core::kWarning, core::LoadString(kNoInstallDir));
  capture::SetInstallDirPath(settings.InstallDir());
  core::LogTrace(core::kTraceGeneral, "Script version: %s", script.ScriptVersion().c_str());
}

void ReportOemEdits(const capture::CaptureScript& script) {
  for (const auto& [file, changes] : script.OemEdits()) {
    core::LogMessage(core::kWarning, core::FormatString(kOemFileChanged, platform::Excerpt(file).c_str()));
    for (const std::string& change : changes) {
      core::TestCancel();
      core::LogMessage(core::kWarning, platform::Excerpt(change));
    }
  }
}

void LoadCapturedRegistry(const capture::CaptureScript& script, capture::RegistryModel& deleted) {
  if (capture::RegistryModel* loaded = script.Registry()) {
    // Removals in the file of written data ("[-key]", "name"=-) are removals like the others.
    loaded->SetRemovalModel(&deleted);
    loaded->LoadRegistryFile(script.RegistryLoadFile());
  }
  deleted.SetHoldsRemovedData(true);
  deleted.LoadRegistryFile(script.RegistryDeleteFile());
}

void WarnMachineSpecificPaths(const capture::CaptureScript& script) {
  for (const auto& [name, value] : script.ScriptVariables()) {
    if (value.empty() || value.front() == '%' || value.front() == '[') continue;
    capture::WarnMachineSpecificPath(value);
  }
}

}  // namespace frontend
