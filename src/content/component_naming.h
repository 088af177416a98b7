// How captured files are grouped into components and how components are named: the file kinds
// by extension (with the options' "OtherComponentFileExtensions"), and the naming conventions of
// the options file's section "Component Naming Conventions" (a prefix and a suffix per type).
#pragma once

#include <map>
#include <string>

#include "platform/text.h"

namespace content {

// File kinds: each kind decides whether a file gets a component of its own.
enum FileGroup : int {
  kOtherFiles = 0,  // joins the component of its folder (unless OtherFilesNewComponents)
  kExecutables = 1,
  kHelpFiles = 2,
  kFonts = 3,
  kIniFiles = 4,
};

struct FileKind {
  int group = kOtherFiles;
  int descriptionId = 25105;  // "This component consists of files not belonging to ..."
};

// The extension table, built once per conversion from the options. Lookups ignore case.
class ExtensionTable {
 public:
  // The built-in extensions and those of otherExtensions ("ext:group|ext:group").
  explicit ExtensionTable(const std::string& otherExtensions);
  FileKind KindOf(const std::string& extension) const;

 private:
  std::map<std::string, FileKind, platform::LessNoCase> kinds_;
};

// The extension of a path's file name (the text after its last '.'), empty when there is none.
std::string ExtensionOfPath(const std::string& path);
// The file name of a captured path: the text after its last backslash.
std::string FileNameOfPath(const std::string& path);
// The last folder name of a captured folder, without the folder-property delimiters ('%', '[',
// ']'): "%ProgramFilesFolder%\Demo\" gives "Demo", "%SystemFolder%" gives "SystemFolder".
std::string LastFolderName(const std::string& folder);

// Naming types: the options keys are the type's name followed by "Prefix" or "Suffix".
enum NamingType : int {
  kFileNaming = 0,
  kComNaming = 1,
  kOdbcDriverNaming = 2,
  kOdbcSourceNaming = 3,
  kRegistryNaming = 4,
  kServiceNaming = 5,
  kFolderNaming = 6,
  kCreateFolderNaming = 7,
  kIniNaming = 8,
  kFontNaming = 9,
};

// The prefixes and suffixes of the naming types, read from the options file on first use.
class NamingConventions {
 public:
  // name with the type's prefix in front and its suffix behind (each unless already there),
  // then made a valid key.
  std::string Apply(std::string name, NamingType type);

 private:
  struct Affixes {
    std::string prefix;
    std::string suffix;
  };
  const Affixes& AffixesOf(NamingType type);

  std::map<int, Affixes> affixes_;
};

}  // namespace content
