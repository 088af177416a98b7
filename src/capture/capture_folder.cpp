#include "capture/capture_folder.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>

#include "capture/capture_script.h"
#include "capture/path_translation.h"
#include "core/messages.h"
#include "core/repackager_exception.h"
#include "core/string_table.h"
#include "platform/host_paths.h"
#include "platform/processors.h"
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

namespace {

// A file that the script names for reading, and what the check found.
struct FileToCheck {
  std::string sourcePath;
  size_t scriptLine;
  const std::string* entry;  // as the script names it, for the message
  bool installed;            // a captured file that the package installs
  std::string hostPath;
  std::string refusal;
};

// The look-ups of a large capture's files (two system calls a file) are shared among the
// processors; the files keep their order.
void CheckInParallel(std::vector<FileToCheck>& files) {
  auto checkRange = [&files](size_t begin, size_t end) {
    platform::FolderBoundary boundary(CaptureFolder());
    for (size_t i = begin; i < end; ++i) {
      files[i].hostPath = HostPathOfSource(files[i].sourcePath);
      files[i].refusal = RefusalOf(files[i].hostPath, boundary);
    }
  };
  constexpr size_t kFilesForAThread = 1000;  // fewer are checked sooner than a thread starts
  const size_t parts = std::max<size_t>(1, std::min<size_t>(platform::UsableProcessorCount(), files.size() / kFilesForAThread));
  const size_t partSize = (files.size() + parts - 1) / parts;
  std::vector<std::exception_ptr> failures(parts);
  auto checkPart = [&](size_t part) {
    try {
      checkRange(part * partSize, std::min(files.size(), (part + 1) * partSize));
    } catch (...) {
      failures[part] = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  std::vector<size_t> partsHere = {0};  // the parts this thread checks
  for (size_t part = 1; part < parts; ++part) {
    try {
      threads.emplace_back(checkPart, part);
    } catch (const std::system_error&) {
      partsHere.push_back(part);  // no thread to be had
    }
  }
  for (const size_t part : partsHere) checkPart(part);
  for (std::thread& thread : threads) thread.join();
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
}

}  // namespace

std::vector<CheckedFile> CheckCapturedFiles(const CaptureScript& script) {
  std::vector<FileToCheck> files;
  auto add = [&files](std::string sourcePath, size_t line, const std::string& entry, bool installed) {
    files.push_back({std::move(sourcePath), line, &entry, installed, {}, {}});
  };
  for (const auto& [folder, entries] : script.InstalledFiles())
    for (const FileEntry& file : entries) add(MakeSourcePath(file.name, folder), file.scriptLine, file.name, true);
  // Programs run from the setup's own files travel in the package; those of the system do not.
  for (const ExeCallEntry& call : script.ExeCalls())
    if (platform::EqualsNoCase(call.locationKind, "Setup"))
      add(MakeSourcePath(call.programPath, call.programPath), call.scriptLine, call.programPath, false);
  for (const DllCallEntry& call : script.DllCalls())
    if (!platform::EqualsNoCase(call.locationKind, "System"))
      add(MakeSourcePath(call.dllPath, call.dllPath), call.scriptLine, call.dllPath, false);
  if (!script.RegistryLoadFile().empty())
    add(script.RegistryLoadFile(), script.RegistryLoadLine(), script.RegistryLoadFile(), false);
  if (!script.RegistryDeleteFile().empty())
    add(script.RegistryDeleteFile(), script.RegistryDeleteLine(), script.RegistryDeleteFile(), false);

  CheckInParallel(files);
  int refused = 0;
  std::vector<CheckedFile> installed;
  for (FileToCheck& file : files) {
    if (!file.refusal.empty()) {
      core::LogMessage(core::kError,
                       platform::Format("%s(%zu): '%s' %s", script.ScriptPath().c_str(), file.scriptLine,
                                        platform::Excerpt(*file.entry).c_str(), file.refusal.c_str()));
      ++refused;
    } else if (file.installed) {
      installed.push_back({std::move(file.sourcePath), std::move(file.hostPath)});
    }
  }
  if (refused > 0) throw core::repackager_exception(core::FormatString(kCapturedFilesRefused, refused));
  return installed;
}

}  // namespace capture
