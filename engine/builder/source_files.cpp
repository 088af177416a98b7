#include "source_files.h"

#include "platform/codepage.h"
#include "platform/host_paths.h"
#include "platform/text.h"
#include "qv/project_tables.h"

namespace builder {

std::string HostPathOfSource(const std::string& sourcePath, const std::string& sourceFilePath) {
  std::string path = sourcePath;
  if (platform::StartsWithNoCase(path, qv::kSourceFilePathPrefix)) {
    std::string base = sourceFilePath;
    if (!base.empty() && !platform::IsSeparator(base.back())) base += '/';
    path = base + path.substr(std::string(qv::kSourceFilePathPrefix).size());
  }
  std::string resolved = platform::ResolveHostPath(path);
  if (!platform::FileExists(resolved)) {
    // Captured names may be stored on disk in the capture's code page.
    const std::string ansi = platform::ResolveHostPath(platform::Utf8ToAnsi(path));
    if (platform::FileExists(ansi)) return ansi;
  }
  return resolved;
}

}  // namespace builder
