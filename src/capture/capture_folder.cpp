#include "capture/capture_folder.h"

#include "capture/capture_script.h"
#include "capture/path_translation.h"
#include "core/messages.h"
#include "core/repackager_exception.h"
#include "core/string_table.h"
#include "platform/host_paths.h"
#include "platform/text.h"
#include "qv/project_tables.h"

namespace capture {
namespace {

constexpr int kFileOutsideCapture = 22600;
constexpr int kFileNotRegular = 22601;
constexpr int kCapturedFilesRefused = 22602;

std::string CaptureFolder() {
  const CaptureScript* script = CurrentCaptureScript();
  return script ? script->ScriptFolder() : std::string();
}

}  // namespace

std::string HostPathOfSource(const std::string& sourcePath) {
  std::string path = sourcePath;
  const std::string prefix = qv::kSourceFilePathPrefix;
  if (platform::StartsWithNoCase(path, prefix)) path.erase(0, prefix.size());
  if (!path.empty() && !platform::IsSeparator(path.front())) {
    std::string folder = CaptureFolder();
    if (!folder.empty() && !platform::IsSeparator(folder.back())) folder += '/';
    path = folder + path;
  }
  return platform::ResolveHostPath(path);
}

std::string RefusalOf(const std::string& hostPath) {
  platform::FolderBoundary boundary(CaptureFolder());
  return RefusalOf(hostPath, boundary);
}

std::string RefusalOf(const std::string& hostPath, platform::FolderBoundary& boundary) {
  platform::FileKind kind = platform::FileKind::kMissing;
  if (!boundary.Contains(hostPath, &kind))
    return core::FormatString(kFileOutsideCapture, platform::Excerpt(CaptureFolder()).c_str());
  switch (kind) {
    case platform::FileKind::kDirectory:
    case platform::FileKind::kOther:
      return core::LoadString(kFileNotRegular);
    default:
      return std::string();
  }
}

std::vector<CheckedFile> CheckCapturedFiles(const CaptureScript& script) {
  int refused = 0;
  platform::FolderBoundary boundary(CaptureFolder());
  // The host path of a file that passed; empty for a refused one.
  auto check = [&](const std::string& sourcePath, size_t line, const std::string& entry) {
    std::string hostPath = HostPathOfSource(sourcePath);
    const std::string refusal = RefusalOf(hostPath, boundary);
    if (refusal.empty()) return hostPath;
    core::LogMessage(core::kError,
                     platform::Format("%s(%zu): '%s' %s", script.ScriptPath().c_str(), line,
                                          platform::Excerpt(entry).c_str(), refusal.c_str()));
    ++refused;
    return std::string();
  };
  std::vector<CheckedFile> installed;
  for (const auto& [folder, files] : script.InstalledFiles()) {
    for (const FileEntry& file : files) {
      std::string sourcePath = MakeSourcePath(file.name, folder);
      std::string hostPath = check(sourcePath, file.scriptLine, file.name);
      if (!hostPath.empty()) installed.push_back({std::move(sourcePath), std::move(hostPath)});
    }
  }
  // Programs run from the setup's own files travel in the package; those of the system do not.
  for (const ExeCallEntry& call : script.ExeCalls())
    if (platform::EqualsNoCase(call.locationKind, "Setup"))
      check(MakeSourcePath(call.programPath, call.programPath), call.scriptLine, call.programPath);
  for (const DllCallEntry& call : script.DllCalls())
    if (!platform::EqualsNoCase(call.locationKind, "System"))
      check(MakeSourcePath(call.dllPath, call.dllPath), call.scriptLine, call.dllPath);
  if (!script.RegistryLoadFile().empty())
    check(script.RegistryLoadFile(), script.RegistryLoadLine(), script.RegistryLoadFile());
  if (!script.RegistryDeleteFile().empty())
    check(script.RegistryDeleteFile(), script.RegistryDeleteLine(), script.RegistryDeleteFile());
  if (refused > 0) throw core::repackager_exception(core::FormatString(kCapturedFilesRefused, refused));
  return installed;
}

}  // namespace capture
