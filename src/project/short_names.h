// 8.3 short names for the file names of the installer tables (files, removed files, shortcuts,
// INI files), and the registry of the short names already handed out in each folder.
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/text.h"

namespace project {

// The short names (with extension) handed out so far in each folder (a Directory key),
// compared without regard to case. Shared by every writer of file names; emptied at the end of
// a conversion.
class ShortNameRegistry {
 public:
  bool Contains(const std::string& folder, const std::string& shortName) const {
    return names_.count(Scoped(folder, shortName)) != 0;
  }
  void Add(const std::string& folder, const std::string& shortName) { names_.insert(Scoped(folder, shortName)); }
  void Clear() {
    names_.clear();
    nextNumbers_.clear();
  }
  // The number to try first for a stem in a folder: names are never given back during a
  // conversion, so the numbers below the last one handed out are all taken, and numbering many
  // names of one stem stays linear.
  long& NextNumber(const std::string& folder, const std::string& stem) {
    return nextNumbers_.try_emplace(Scoped(folder, stem), 1).first->second;
  }

 private:
  // '|' never occurs in a Directory key or a short name.
  static std::string Scoped(const std::string& folder, const std::string& name) { return folder + "|" + name; }

  std::set<std::string, platform::LessNoCase> names_;
  std::map<std::string, long, platform::LessNoCase> nextNumbers_;
};

ShortNameRegistry& ShortNames();

// The 8.3 name of a long name (its file name part) in a folder: the name itself when it is an
// 8.3 name already and still free there; otherwise the first characters of its base, cleaned of
// the characters a short name may not hold, "~n" and the first three characters of its
// extension, with the first n that is free in the folder. The name is registered for the folder.
std::string MakeShortName(const std::string& longName, const std::string& folder);
// The extension of the long name's file name, cut to 3 characters.
std::string MakeShortExtension(const std::string& longName);

// The file name column form for a name that the package creates in a folder: "short|long" when
// the short name differs from the long name (ignoring case), else the one name. Names with
// wildcards ("*.tmp", as the RemoveFile table takes them) are written alone.
std::string InstallerFileName(const std::string& longName, const std::string& folder);
// A second form for names whose short part the installer would refuse (characters outside
// the short-name set): the short part is rebuilt from the permitted characters only.
std::string StrictInstallerFileName(const std::string& longName, const std::string& folder);
// The form for a file that the package removes: its short part is the name Windows most likely
// gave the existing file ("~1"), and nothing is registered.
std::string RemovedFileName(const std::string& longName);
// True when the short part of a file name column form ("short|long"; a form without '|' has
// none) is an 8.3 name of the characters that every file system takes.
bool HasValidShortPart(const std::string& fileNameForm);

}  // namespace project
