// The capture filters' questions that the registry reader asks while it reads: is a key, or a
// value under a key, excluded from the conversion?
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
