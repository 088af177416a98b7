#include "content/deleted_files.h"

#include "capture/capture_filter.h"
#include "capture/capture_script.h"
#include "capture/path_translation.h"
#include "content/component_naming.h"
#include "content/content_session.h"
#include "content/file_writer.h"
#include "core/cancellation.h"
#include "project/component_lookup.h"
#include "project/vpx_writer.h"

namespace content {

namespace {

constexpr const char* kRemoveFileComponent = "RemoveFile_Component";

// "%WindowsFolder%Temp" is "%WindowsFolder%\Temp".
std::string NormalizedFolder(const std::string& folder) {
  std::string normalized = folder;
  if (!normalized.empty() && normalized.front() == '%') {
    const size_t closing = normalized.find('%', 1);
    if (closing != std::string::npos && closing + 1 < normalized.size() && normalized[closing + 1] != '\\')
      normalized = normalized.substr(0, closing + 1) + '\\' + normalized.substr(closing + 1);
  }
  return normalized;
}

}  // namespace

void WriteDeletedFiles(const capture::CaptureScript& script) {
  core::TestCancel();
  if (script.DeletedFiles().empty()) return;
  project::VpxWriter* writer = project::CurrentProjectWriter();
  FileWriter* files = CurrentFileWriter();
  if (!writer || !files) return;

  writer->SetCurrentFeature("");
  project::FindOrCreateDataComponent(kRemoveFileComponent);
  for (const auto& [folder, entries] : script.DeletedFiles()) {
    core::TestCancel();
    const std::string normalized = NormalizedFolder(folder);
    std::string installerFolder = normalized;
    capture::ToInstallerFolder(installerFolder, true, false);
    const std::string directory = writer->DirectoryForPath(installerFolder, "");
    if (directory.empty()) continue;
    for (const capture::FileEntry& entry : entries) {
      const std::string fileName = FileNameOfPath(entry.name);
      if (fileName.empty() || capture::CurrentCaptureFilter().IsDeletedFileExcluded(normalized, fileName))
        continue;
      files->AddRemoveFile(kRemoveFileComponent, fileName, directory, kRemoveOnBoth);
    }
  }
}

}  // namespace content
