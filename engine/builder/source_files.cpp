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

std::string SourceRefusal(const std::string& sourcePath, const std::string& hostPath,
                          const std::string& sourceFilePath) {
  if (platform::StartsWithNoCase(sourcePath, qv::kSourceFilePathPrefix) &&
      !platform::LiesInside(hostPath, sourceFilePath))
    return "lies outside the source folder '" + sourceFilePath + "' (SOURCEFILEPATH)";
  const platform::FileKind kind = platform::KindOf(hostPath);
  if (kind == platform::FileKind::kDirectory || kind == platform::FileKind::kOther) return "is not a regular file";
  return std::string();
}

}  // namespace builder
