// Icon rows: one per icon file and index. The row carries the whole icon file (an .ico, or the
// executable or DLL that holds the icon); the index that picks the icon stays with the row that
// uses it (Shortcut, Class, ProgId).
#include "content/icon_keys.h"

#include <map>

#include "capture/capture_folder.h"
#include "core/messages.h"
#include "platform/host_paths.h"
#include "platform/text.h"
#include "project/keys.h"
#include "project/msi_record.h"
#include "project/vpx_writer.h"

namespace content {

namespace {

// "file,index" to the key handed out for it.
std::map<std::string, std::string, platform::LessNoCase>& IconKeys() {
  static std::map<std::string, std::string, platform::LessNoCase> keys;
  return keys;
}

// Icon files are captured paths or host paths.
std::string FileNameOf(const std::string& path) {
  const size_t separator = platform::LastSeparator(path);
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string ExtensionOf(const std::string& path) {
  const std::string fileName = FileNameOf(path);
  const size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? std::string() : fileName.substr(dot + 1);
}

// The name the key is made from: the icon file, with the target's extension when the target
// has another one (the installer wants an advertised shortcut's icon to carry the target's
// extension).
std::string IconName(const std::string& iconFile, const std::string& targetFile) {
  const std::string targetExtension = ExtensionOf(targetFile);
  const std::string iconExtension = ExtensionOf(iconFile);
  if (targetFile.empty() || targetExtension.empty() ||
      platform::EqualsNoCase(targetExtension, iconExtension))
    return iconFile;
  const std::string fileName = FileNameOf(iconFile);
  const size_t dot = fileName.rfind('.');
  const std::string stem = dot == std::string::npos ? fileName : fileName.substr(0, dot);
  return stem + "." + targetExtension;
}

}  // namespace

std::string GetIconKey(const std::string& iconFile, int32_t iconIndex, const std::string& targetFile) {
  const std::string cacheKey = platform::Format("%s,%i", iconFile.c_str(), iconIndex);
  auto found = IconKeys().find(cacheKey);
  if (found != IconKeys().end()) return found->second;

  // No key without its row: the rows that use it would point at nothing. The row carries the
  // icon file's bytes: only a file of the capture is read.
  project::VpxWriter* writer = project::CurrentProjectWriter();
  if (!writer) return std::string();
  const std::string hostPath = capture::HostPathOfSource(iconFile);
  if (const std::string refusal = capture::RefusalOf(hostPath); !refusal.empty()) {
    core::LogMessage(core::kError,
                     platform::Format("Icon file '%s' %s", platform::Excerpt(iconFile).c_str(), refusal.c_str()));
    return std::string();
  }
  const std::string key =
      project::MakeUniqueKey(project::kIconKeys, "Icon_" + FileNameOf(IconName(iconFile, targetFile)), 0, false);
  project::MSIRecord record(*writer, "Icon");
  record.SetField(1, key);
  record.SetField(2, hostPath);
  if (!record.Commit()) return std::string();
  IconKeys().emplace(cacheKey, key);
  return key;
}

void ResetIconKeys() { IconKeys().clear(); }

}  // namespace content
