// What a package needs to know of a file's bytes: its version resource (a versioned file) or
// its MsiFileHash (any other file). The bytes are seen once, in order, as they are read for the
// cabinet or the source image; only a file that may carry a version resource (a PE image) is
// held whole until its end, since the resource can lie anywhere in it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "file_hash.h"
#include "platform/file_version.h"

namespace builder {

struct FileFacts {
  platform::VersionStatus versionStatus = platform::VersionStatus::kNoVersion;
  platform::FileVersionInfo version;  // when versionStatus is kFound
  FileHashParts hash{};               // otherwise
};

class FileInspector {
 public:
  FileInspector();
  ~FileInspector();
  FileInspector(const FileInspector&) = delete;
  FileInspector& operator=(const FileInspector&) = delete;

  // The next bytes of the file.
  void Add(std::string_view bytes);
  // The facts of the bytes added since the last Finish; the inspector is then ready for the next file.
  FileFacts Finish();

 private:
  struct Digest;
  std::unique_ptr<Digest> digest_;
  std::string image_;  // the first bytes, and all of a PE image
  bool holdsImage_ = true;
};

// Reads a file and inspects it; false when it cannot be read.
bool InspectFile(const std::string& hostPath, FileFacts* facts);

}  // namespace builder
