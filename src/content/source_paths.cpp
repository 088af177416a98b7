#include "content/source_paths.h"

#include "capture/capture_script.h"
#include "platform/host_paths.h"
#include "platform/text.h"
#include "qv/project_tables.h"

namespace content {

std::string HostPathOfSource(const std::string& sourcePath) {
  std::string path = sourcePath;
  const std::string prefix = qv::kSourceFilePathPrefix;
  if (platform::StartsWithNoCase(path, prefix)) {
    const capture::CaptureScript* script = capture::CurrentCaptureScript();
    std::string folder = script ? script->ScriptFolder() : std::string();
    if (!folder.empty() && !platform::IsSeparator(folder.back())) folder += '/';
    path = folder + path.substr(prefix.size());
  }
  return platform::ResolveHostPath(path);
}

}  // namespace content
