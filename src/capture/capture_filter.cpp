#include "capture/capture_filter.h"

namespace capture {
namespace {

const CaptureFilter& NothingExcluded() {
  static const CaptureFilter filter;
  return filter;
}

const CaptureFilter* installedFilter = nullptr;

}  // namespace

bool CaptureFilter::IsKeyExcluded(const std::string&) const { return false; }

bool CaptureFilter::IsValueExcluded(const std::string&, const std::string&) const {
  return false;
}

bool CaptureFilter::IsDeletedFileExcluded(const std::string&, const std::string&) const {
  return false;
}

bool CaptureFilter::IsShortcutExcluded(const std::string&, const std::string&) const {
  return false;
}

bool CaptureFilter::IsIniFileExcluded(const std::string&) const { return false; }

bool CaptureFilter::IsIniSectionExcluded(const std::string&, const std::string&) const { return false; }

const CaptureFilter& CurrentCaptureFilter() {
  return installedFilter ? *installedFilter : NothingExcluded();
}

void SetCaptureFilter(const CaptureFilter* filter) { installedFilter = filter; }

}  // namespace capture
