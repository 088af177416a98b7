#include "content/deleted_files.h"

#include "capture/capture_filter.h"
#include "capture/capture_script.h"
#include "capture/path_translation.h"
#include "content/component_naming.h"
#include "content/content_session.h"
#include "content/file_writer.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "platform/text.h"
#include "platform/windows_names.h"
#include "project/component_lookup.h"
#include "project/vpx_writer.h"

namespace content {

namespace {

constexpr const char* kRemoveFileComponent = "RemoveFile_Component";
constexpr int kNoRemoval = 22611;

// A deleted file that no Windows file can be (its name or folder): a warning, since nothing is
// lost when no removal is written for it.
bool CanBeRemoved(const capture::CaptureScript& script, const capture::FileEntry& entry,
                  const std::string& folderFault, const std::string& fileName) {
  std::string why;
  if (!folderFault.empty())
    why = core::FormatString(kNoRemoval, "folder", platform::Excerpt(folderFault).c_str());
  else if (const std::string fault = platform::RemovedNameFault(fileName); !fault.empty())
    why = core::FormatString(kNoRemoval, "name", fault.c_str());
  if (why.empty()) return true;
  core::LogMessage(core::kWarning, platform::Format("%s(%zu): the deleted file '%s' %s", script.ScriptPath().c_str(),
                                                    entry.scriptLine, platform::Excerpt(entry.name).c_str(),
                                                    why.c_str()));
  return false;
}

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
    const std::string folderFault = platform::FolderNameFault(installerFolder);
    // A folder that Windows cannot create gets no Directory row; its files are only warned about.
    const std::string directory = folderFault.empty() ? writer->DirectoryForPath(installerFolder, "") : std::string();
    if (directory.empty() && folderFault.empty()) continue;
    for (const capture::FileEntry& entry : entries) {
      const std::string fileName = FileNameOfPath(entry.name);
      if (fileName.empty() || capture::CurrentCaptureFilter().IsDeletedFileExcluded(normalized, fileName))
        continue;
      if (!CanBeRemoved(script, entry, folderFault, fileName)) continue;
      files->AddRemoveFile(kRemoveFileComponent, fileName, directory, kRemoveOnBoth);
    }
  }
}

}  // namespace content
