// Temporary files and folders, removed again unless kept.
#pragma once

#include <string>

namespace qv::engine {

// A new, empty file in the folder of target, named after it; removed on destruction unless
// MoveTo put it in place.
class TempFileBeside {
 public:
  explicit TempFileBeside(const std::string& target);
  ~TempFileBeside();
  TempFileBeside(const TempFileBeside&) = delete;
  TempFileBeside& operator=(const TempFileBeside&) = delete;

  bool Valid() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }
  // Flushes the file to disk and renames it over target (atomic on one file system). Keeps
  // target's permission bits when it exists.
  bool MoveTo(const std::string& target);

 private:
  std::string path_;
};

// A new folder below the system's temporary folder, removed with its files on destruction.
class TempDirectory {
 public:
  TempDirectory();
  ~TempDirectory();
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;
  bool Valid() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Flushes a written file to disk; false when it cannot be opened or flushed.
bool SyncFile(const std::string& path);
// Flushes the folder that holds path (so that a rename in it lasts); errors are ignored.
void SyncFolderOf(const std::string& path);

// The folder of a path (up to its last '/' or '\'), "." when it has none.
std::string FolderOf(const std::string& path);
// The folder that holds the shared library containing address, with a trailing '/'.
std::string LibraryFolder(const void* address);
bool FileExists(const std::string& path);

}  // namespace qv::engine
