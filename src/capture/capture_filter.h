// The capture filters' questions: is a registry key, or a value under a key, excluded from the
// conversion (asked by the registry reader while it reads)? Is a deleted file, a shortcut, an INI
// file or a section of one?
//
// The include and exclude lists of the repackager settings are not wired in here yet. Until they
// are, the installed filter is the one that excludes nothing; SetCaptureFilter installs another.
#pragma once

#include <string>

namespace capture {

class CaptureFilter {
 public:
  virtual ~CaptureFilter() = default;
  virtual bool IsKeyExcluded(const std::string& keyFullPath) const;
  virtual bool IsValueExcluded(const std::string& keyFullPath, const std::string& valueName) const;
  // A deleted file of the capture (its folder as captured, its file name).
  virtual bool IsDeletedFileExcluded(const std::string& folder, const std::string& fileName) const;
  // A captured shortcut (its folder with the leading folder word expanded, its link name).
  virtual bool IsShortcutExcluded(const std::string& folder, const std::string& linkName) const;
  // An INI file of the capture (its name or path), and a section of it ("[Section]").
  virtual bool IsIniFileExcluded(const std::string& iniFile) const;
  virtual bool IsIniSectionExcluded(const std::string& iniFile, const std::string& section) const;
};

// The process-wide filter (never null). Passing null restores the filter that excludes nothing.
const CaptureFilter& CurrentCaptureFilter();
void SetCaptureFilter(const CaptureFilter* filter);

inline bool IsKeyExcluded(const std::string& keyFullPath) {
  return CurrentCaptureFilter().IsKeyExcluded(keyFullPath);
}
inline bool IsValueExcluded(const std::string& keyFullPath, const std::string& valueName) {
  return CurrentCaptureFilter().IsValueExcluded(keyFullPath, valueName);
}

}  // namespace capture
