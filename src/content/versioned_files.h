// Whether captured files are executable images with a version resource, which makes a file
// its component's key file. Reading the first bytes of every captured file is most of a
// conversion's file system work, so it is done on a second thread, over the files that passed
// the capture check, while the conversion reads the registry files; the answers are the same
// as reading each file when it is asked for.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_folder.h"

namespace content {

class VersionedFilesReader {
 public:
  // Starts reading the files.
  explicit VersionedFilesReader(std::vector<capture::CheckedFile> files);
  // Stops reading, and waits for the thread.
  ~VersionedFilesReader();
  VersionedFilesReader(const VersionedFilesReader&) = delete;
  VersionedFilesReader& operator=(const VersionedFilesReader&) = delete;

  // Whether the file (by its source path) has a version resource; waits until every file is
  // read. Nothing when the file was not among those given, or could not be read here.
  std::optional<bool> IsVersioned(const std::string& sourcePath);

 private:
  void ReadAll();

  std::vector<capture::CheckedFile> files_;  // by source path
  std::vector<char> versioned_;              // by position in files_
  size_t read_ = 0;                          // the files read so far, from the first
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The reader that IsVersionedFile asks first, for the rest of the conversion (replacing one
// started before); StopReadingVersions ends it.
void StartReadingVersions(std::vector<capture::CheckedFile> files);
void StopReadingVersions();

// True when the file has a version resource (read from its bytes; a missing or unreadable
// file has none). sourcePath may begin with "<SOURCEFILEPATH>\".
bool IsVersionedFile(const std::string& sourcePath);

}  // namespace content
