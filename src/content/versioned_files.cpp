#include "content/versioned_files.h"

#include <algorithm>
#include <memory>

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
  thread_ = std::thread(&VersionedFilesReader::ReadAll, this);
}

VersionedFilesReader::~VersionedFilesReader() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void VersionedFilesReader::ReadAll() {
  for (size_t i = 0; i < files_.size() && !stop_; ++i) versioned_[i] = IsVersionedHostFile(files_[i].hostPath);
}

std::optional<bool> VersionedFilesReader::IsVersioned(const std::string& sourcePath) {
  if (thread_.joinable()) thread_.join();
  const auto found = std::lower_bound(files_.begin(), files_.end(), capture::CheckedFile{sourcePath, {}}, SourcePathLess);
  if (found == files_.end() || found->sourcePath != sourcePath) return std::nullopt;
  return versioned_[found - files_.begin()] != 0;
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
