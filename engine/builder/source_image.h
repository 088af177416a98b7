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

// Directories right below the root whose source name is "." (the standard folders such as
// ProgramFilesFolder or SystemFolder, whose targets the installer sets, and folders set by
// custom actions) would all lie at the image root, so that equal names below two of them
// (Rich\user.cfg in AppDataFolder and in CommonFilesFolder) would be one file of the image.
// Each gets a source folder of its own, named after its key ("short|long" when the key is no
// short name); the target part stays. Returns the new DefaultDir values by key.
std::map<std::string, std::string> OwnRootSourceFolders(const std::vector<DirectoryEntry>& directories);

}  // namespace builder
