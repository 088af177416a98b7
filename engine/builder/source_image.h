// The folders of an uncompressed source image: the Directory tree below the package, each
// directory under its source name (long or short), the root directories at the image root.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace builder {

struct DirectoryEntry {
  std::string key;
  std::string parent;      // empty (or the key itself) for a root
  std::string defaultDir;  // "[target][:source]", each part "short|long" or one name
};

// The source name of a DefaultDir value: the source part when there is one, else the target
// part; of "short|long" the long name unless shortNames. "." means "no folder of its own".
std::string SourceNameOf(const std::string& defaultDir, bool shortNames);

// The folder of each directory relative to the image root, '/'-separated with a trailing '/'
// (empty for the root). A directory in a parent cycle or below a missing parent lies at the
// root: the package is checked for such rows before the image is written.
std::map<std::string, std::string> SourceImageFolders(const std::vector<DirectoryEntry>& directories,
                                                      bool shortNames);

// The file name part of a File table FileName ("short|long" or one name).
std::string FileNameOf(const std::string& fileName, bool shortNames);

}  // namespace builder
