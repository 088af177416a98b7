// 8.3 short names for the file names of the installer tables (files, removed files, shortcuts,
// INI files), and the registry of the short names already handed out.
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/text.h"

namespace shortcuts {

// The short names (without extension) handed out so far, compared without regard to case.
// Shared by every writer of file names; emptied at the end of a conversion.
class ShortNameRegistry {
 public:
  bool Contains(const std::string& shortName) const { return names_.count(shortName) != 0; }
  void Add(const std::string& shortName) { names_.insert(shortName); }
  void Clear() {
    names_.clear();
    nextNumbers_.clear();
  }
  // The number to try first for a stem: names are never given back during a conversion, so the
  // numbers below the last one handed out for a stem are all taken, and numbering many names of
  // one stem stays linear.
  long& NextNumber(const std::string& stem) { return nextNumbers_.try_emplace(stem, 1).first->second; }

 private:
  std::set<std::string, platform::LessNoCase> names_;
  std::map<std::string, long, platform::LessNoCase> nextNumbers_;
};

ShortNameRegistry& ShortNames();

// The short base of a long name: its file name without extension, cleaned of the characters a
// short name may not hold. A result of at most 8 characters is returned as it is (and not
// registered); a longer one becomes its first characters and "~n" with the first n whose name
// is not yet registered, and is registered.
std::string MakeShortName(const std::string& longName);
// The extension of the long name's file name, cut to 3 characters.
std::string MakeShortExtension(const std::string& longName);

// The file name column form: "short|long" when the short name differs from the long name
// (ignoring case), else the one name. Names with wildcards ("*.tmp", as the RemoveFile table
// takes them) are written alone.
std::string InstallerFileName(const std::string& longName);
// A second form for names whose short part the installer would refuse (characters outside
// the short-name set): the short part is rebuilt from the permitted characters only.
std::string StrictInstallerFileName(const std::string& longName);
// True when the short part of a file name column form ("short|long"; a form without '|' has
// none) is an 8.3 name of the characters that every file system takes.
bool HasValidShortPart(const std::string& fileNameForm);

}  // namespace shortcuts
