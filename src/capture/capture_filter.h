// The capture filters' questions, asked before a captured item is written: is a registry key,
// or a value under a key, excluded (asked by the registry reader while it reads; the model of
// removed data asks the deleted-registry lists)? Is a captured file, a deleted file, an INI file
// or one of its sections, or a shortcut?
//
// The installed filter answers from the published repackager settings (nothing is excluded
// when none are published); SetCaptureFilter installs another.
#pragma once

#include <string>

namespace capture {

class CaptureFilter {
 public:
  virtual ~CaptureFilter() = default;
  virtual bool IsKeyExcluded(const std::string& keyFullPath) const;
  virtual bool IsValueExcluded(const std::string& keyFullPath, const std::string& valueName) const;
  // Removed registry data: the keys and values of the capture's file of removed data, and the
  // removals ("[-key]", "name"=-) in its file of written data.
  virtual bool IsDeletedKeyExcluded(const std::string& keyFullPath) const;
  virtual bool IsDeletedValueExcluded(const std::string& keyFullPath, const std::string& valueName) const;
  // A captured file (its folder as captured, "[ProgramFilesFolder]App", and its file name).
  virtual bool IsFileExcluded(const std::string& folder, const std::string& fileName) const;
  // A deleted file of the capture (its folder as captured, its file name).
  virtual bool IsDeletedFileExcluded(const std::string& folder, const std::string& fileName) const;
  // A captured INI file (its path, "[WindowsFolder]app.ini" or "%WindowsFolder%\app.ini", or its
  // name alone): its folder or path listed whole, or its name matching a pattern listed under its
  // folder (under the key "*" for a name alone).
  virtual bool IsIniFileExcluded(const std::string& iniFilePath) const;
  // A section of an INI file, given as "[Section]": a pattern listed under the file's path.
  virtual bool IsIniSectionExcluded(const std::string& iniFilePath, const std::string& section) const;
  // A captured shortcut (its folder with the leading folder word expanded, its link name).
  virtual bool IsShortcutExcluded(const std::string& folder, const std::string& linkName) const;
};

// The process-wide filter (never null). Passing null restores the filter of the repackager
// settings.
const CaptureFilter& CurrentCaptureFilter();
void SetCaptureFilter(const CaptureFilter* filter);

inline bool IsKeyExcluded(const std::string& keyFullPath) {
  return CurrentCaptureFilter().IsKeyExcluded(keyFullPath);
}
inline bool IsValueExcluded(const std::string& keyFullPath, const std::string& valueName) {
  return CurrentCaptureFilter().IsValueExcluded(keyFullPath, valueName);
}

}  // namespace capture
