#include "capture/capture_filter.h"

#include "options/repackager_settings.h"

namespace capture {
namespace {

using options::FilterKind;

const CaptureFilter& SettingsFilter() {
  static const CaptureFilter filter;
  return filter;
}

const CaptureFilter* installedFilter = nullptr;

bool KeyExcluded(FilterKind kind, const std::string& key) {
  const options::RepackagerSettings* settings = options::PublishedRepackagerSettings();
  return settings && settings->IsKeyExcluded(kind, key);
}

bool ItemExcluded(FilterKind kind, const std::string& key, const std::string& name) {
  const options::RepackagerSettings* settings = options::PublishedRepackagerSettings();
  return settings && settings->IsItemExcluded(kind, key, name);
}

}  // namespace

bool CaptureFilter::IsKeyExcluded(const std::string& keyFullPath) const {
  return KeyExcluded(FilterKind::kRegistry, keyFullPath);
}

bool CaptureFilter::IsValueExcluded(const std::string& keyFullPath, const std::string& valueName) const {
  return ItemExcluded(FilterKind::kRegistry, keyFullPath, valueName);
}

bool CaptureFilter::IsDeletedKeyExcluded(const std::string& keyFullPath) const {
  return KeyExcluded(FilterKind::kDeletedRegistry, keyFullPath);
}

bool CaptureFilter::IsDeletedValueExcluded(const std::string& keyFullPath, const std::string& valueName) const {
  return ItemExcluded(FilterKind::kDeletedRegistry, keyFullPath, valueName);
}

bool CaptureFilter::IsFileExcluded(const std::string& folder, const std::string& fileName) const {
  return ItemExcluded(FilterKind::kFiles, folder, fileName);
}

bool CaptureFilter::IsDeletedFileExcluded(const std::string& folder, const std::string& fileName) const {
  return ItemExcluded(FilterKind::kDeletedFiles, folder, fileName);
}

bool CaptureFilter::IsIniFileExcluded(const std::string& iniFilePath) const {
  const size_t separator = iniFilePath.find_last_of("\\]");
  const std::string folder = separator == std::string::npos ? std::string() : iniFilePath.substr(0, separator + 1);
  const std::string fileName = separator == std::string::npos ? iniFilePath : iniFilePath.substr(separator + 1);
  return KeyExcluded(FilterKind::kIniFiles, iniFilePath) || ItemExcluded(FilterKind::kIniFiles, folder, fileName);
}

bool CaptureFilter::IsIniSectionExcluded(const std::string& iniFilePath, const std::string& section) const {
  return ItemExcluded(FilterKind::kIniFiles, iniFilePath, section);
}

bool CaptureFilter::IsShortcutExcluded(const std::string& folder, const std::string& linkName) const {
  return ItemExcluded(FilterKind::kShortcuts, folder, linkName);
}

const CaptureFilter& CurrentCaptureFilter() { return installedFilter ? *installedFilter : SettingsFilter(); }

void SetCaptureFilter(const CaptureFilter* filter) { installedFilter = filter; }

}  // namespace capture
