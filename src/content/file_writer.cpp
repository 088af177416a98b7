// File, SelfReg, Font and RemoveFile rows.
#include "content/file_writer.h"

#include "capture/path_translation.h"
#include "content/component_naming.h"
#include "core/messages.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "project/check_hr.h"
#include "project/keys.h"
#include "project/msi_record.h"
#include "project/short_names.h"

namespace content {

namespace {

// Keys the engine already holds (from the template) can still come out of the register of used
// keys; a few retries find a free one.
constexpr int kKeyAttempts = 100;

std::string ToEngine(const std::string& ansi) { return platform::AnsiToUtf8(ansi); }

}  // namespace

FileWriter::FileWriter(project::VpxWriter& project) : FileTableWriter(project) { Reset(); }

// The row goes in whole, under a key of its own; a file name that the engine refuses is rebuilt
// of the characters every file system takes, under the same key.
qv::HResult FileWriter::AddRow(qv::FileRow& row, const std::string& longName, const std::string& directoryKey,
                               std::string* key) {
  qv::IFileCollection* files = GetCollection();
  if (!files) return qv::kNotFound;
  row.fileName = ToEngine(project::InstallerFileName(longName, directoryKey));
  bool strict = false;
  qv::HResult hr = qv::kDuplicateKey;
  for (int attempt = 0; attempt < kKeyAttempts && hr == qv::kDuplicateKey; ++attempt) {
    *key = project::MakeUniqueKey(project::kFileKeys, platform::ToLower(longName), 0, false);
    row.key = ToEngine(*key);
    hr = files->Add(row);
    if (hr == qv::kBadValue && !strict) {
      row.fileName = ToEngine(project::StrictInstallerFileName(longName, directoryKey));
      strict = true;
      hr = files->Add(row);
    }
  }
  return hr;
}

std::string FileWriter::AddFile(const std::string& componentName, const std::string& directoryKey,
                                const std::string& capturedPath,
                                const std::string& folder, bool selfRegistering,
                                std::string* sourcePath) {
  const std::string fileName = FileNameOfPath(capturedPath);
  const std::string source = capture::MakeSourcePath(capturedPath, folder);
  qv::FileRow row;
  row.component = ToEngine(componentName);
  row.sourcePath = ToEngine(source);
  std::string key;
  if (qv::Failed(CHECK_HR(AddRow(row, fileName, directoryKey, &key)))) return std::string();
  if (sourcePath) *sourcePath = source;

  core::LogTrace(core::kTraceFile, "Created file:  Key = '%s', Filename = '%s', Component = '%s'",
                 key.c_str(), platform::Utf8ToAnsi(row.fileName).c_str(), componentName.c_str());

  if (selfRegistering && platform::EqualsNoCase(ExtensionOfPath(fileName), "exe")) {
    // The installer registers DLLs and controls through their own entry points; it never runs a
    // program for this.
    core::LogMessage(core::kWarning,
                     platform::Format("The file '%s' registers itself, but the installer cannot register a "
                                          "program this way; it is installed without registration.",
                                          capturedPath.c_str()));
  } else if (selfRegistering) {
    project::MSIRecord record(project_, "SelfReg");
    record.SetField(1, key);
  }
  return key;
}

void FileWriter::AddRemoveFile(const std::string& componentName, const std::string& filePath,
                               const std::string& directory, int32_t installMode) {
  const std::string fileName = FileNameOfPath(filePath);
  const std::string base = fileName.empty() ? "RemoveFolder_" + directory : fileName;
  const std::string key = project::MakeUniqueKey(project::kRemoveFileKeys, base, 0, false);

  project::MSIRecord record(project_, "RemoveFile");
  record.SetField(1, key);
  record.SetField(2, componentName);
  if (!fileName.empty()) {
    record.SetField(3, project::RemovedFileName(fileName));
  }
  record.SetField(4, directory);
  record.SetField(5, installMode);
}

void FileWriter::AddRemoveFolder(const std::string& componentName, const std::string& directory,
                                 int32_t installMode) {
  AddRemoveFile(componentName, std::string(), directory, installMode);
}

void FileWriter::AddFont(const std::string& fileKey, const std::string& fontTitle) {
  project::MSIRecord record(project_, "Font");
  record.SetField(1, fileKey);
  if (!fontTitle.empty()) record.SetField(2, fontTitle);
}

}  // namespace content
