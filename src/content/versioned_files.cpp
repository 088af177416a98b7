#include "content/versioned_files.h"

#include <algorithm>
#include <memory>
#include <system_error>

#include "platform/file_version.h"
#include "platform/host_paths.h"

namespace content {

namespace {

bool IsVersionedHostFile(const std::string& hostPath) {
  // Only executable images carry version resources; the two bytes spare reading other files.
  std::string magic;
  if (!platform::ReadFileStart(hostPath, 2, &magic) || magic != "MZ") return false;
  platform::FileVersionInfo info;
  return platform::ReadFileVersionInfo(hostPath, &info) == platform::VersionStatus::kFound;
}

bool SourcePathLess(const capture::CheckedFile& a, const capture::CheckedFile& b) {
  return a.sourcePath < b.sourcePath;
}

std::unique_ptr<VersionedFilesReader>& CurrentReader() {
  static std::unique_ptr<VersionedFilesReader> reader;
  return reader;
}

}  // namespace

VersionedFilesReader::VersionedFilesReader(std::vector<capture::CheckedFile> files) : files_(std::move(files)) {
  std::sort(files_.begin(), files_.end(), SourcePathLess);
  versioned_.assign(files_.size(), 0);
  try {
    thread_ = std::thread(&VersionedFilesReader::ReadAll, this);
  } catch (const std::system_error&) {
    // Without a thread, each file is read when it is asked for.
  }
}

VersionedFilesReader::~VersionedFilesReader() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void VersionedFilesReader::ReadAll() {
  // A file this thread could not read (a failure of its own) is read again when it is asked
  // for, where the failure reaches the conversion.
  try {
    for (; read_ < files_.size() && !stop_; ++read_) versioned_[read_] = IsVersionedHostFile(files_[read_].hostPath);
  } catch (...) {
  }
}

std::optional<bool> VersionedFilesReader::IsVersioned(const std::string& sourcePath) {
  if (thread_.joinable()) thread_.join();
  const auto found = std::lower_bound(files_.begin(), files_.end(), capture::CheckedFile{sourcePath, {}}, SourcePathLess);
  const size_t position = static_cast<size_t>(found - files_.begin());
  if (found == files_.end() || found->sourcePath != sourcePath || position >= read_) return std::nullopt;
  return versioned_[position] != 0;
}

void StartReadingVersions(std::vector<capture::CheckedFile> files) {
  CurrentReader().reset();
  CurrentReader() = std::make_unique<VersionedFilesReader>(std::move(files));
}

void StopReadingVersions() { CurrentReader().reset(); }

bool IsVersionedFile(const std::string& sourcePath) {
  if (CurrentReader())
    if (const std::optional<bool> known = CurrentReader()->IsVersioned(sourcePath)) return *known;
  return IsVersionedHostFile(capture::HostPathOfSource(sourcePath));
}

}  // namespace content
