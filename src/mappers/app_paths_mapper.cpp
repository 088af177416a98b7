#include "mappers/app_paths_mapper.h"

#include "capture/folder_rules.h"
#include "capture/path_translation.h"
#include "capture/text_edit.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "platform/codepage.h"
#include "project/check_hr.h"
#include "project/vpx_writer.h"

namespace mappers {
namespace {

constexpr int kNoFilePath = 22113;

// The file name after the last backslash, without quotes.
std::string FileNameOf(std::string path) {
  path = platform::Trim(path);
  capture::StripShortMarker(path);
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  const size_t separator = path.rfind('\\');
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

KeyPosition AppPathsMapper::MapRegistry(KeyPosition start) {
  const KeyPattern pattern("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\\\");
  pattern.ForEach(Keys(), start, [&](capture::RegKey& key, const Captures& captures) {
    core::TestCancel();
    MapAppPath(start, key, captures[0]);
  });
  return start;
}

void AppPathsMapper::MapAppPath(KeyPosition start, capture::RegKey& key, const std::string& executable) {
  std::string file;
  if (!GetValueData(start, key.FullPath(), "@", file, false) || platform::Trim(file).empty()) {
    core::LogMessage(core::kWarning, core::FormatString(kNoFilePath, executable.c_str()));
    return;
  }
  const ComponentRef component = ComponentOfFile(file);
  if (!component) {
    core::LogMessage(core::kWarning,
                     platform::Format("Registry entry for AppPath for '%s' will remain in the Registry table "
                                      "because '%s' is not a known file.",
                                      executable.c_str(), file.c_str()));
    return;
  }
  // The package's App Paths key points at the component's file of the executable's name: a
  // key named after another program stays as it was captured, in the program's component.
  if (!platform::EqualsNoCase(FileNameOf(file), executable)) {
    core::LogTrace(core::kTraceGeneral, "AppPath '%s' names the file '%s' of another name: kept as registry data",
                   executable.c_str(), file.c_str());
    GiveComponentToKeys(key.FullPath(), component);
    return;
  }

  std::string searchPath;
  std::string path;
  if (GetValueData(start, key.FullPath(), "Path", path, false)) {
    if (!TranslateSearchPath(path, searchPath)) {
      GiveComponentToKeys(key.FullPath(), component);
      return;
    }
  } else {
    std::string directory;
    CHECK_HR(component->GetDirectory(&directory));
    searchPath = "[" + platform::Utf8ToAnsi(directory) + "]";
  }

  // The App Paths rows replace the values whatever the COM mapping switch.
  for (capture::RegValue& value : key.Values())
    if (value.Name() == "@" || platform::EqualsNoCase(value.Name(), "Path")) MarkValue(key, value, true);
  GiveComponentToKeys(key.FullPath(), component);
  CHECK_HR(component->SetAppPath(platform::AnsiToUtf8(executable), platform::AnsiToUtf8(searchPath)));
  core::LogTrace(core::kTraceGeneral, "AppPath created: '%s' search path '%s' component '%s'", executable.c_str(),
                 searchPath.c_str(), ComponentName(component).c_str());
}

bool AppPathsMapper::TranslateSearchPath(std::string path, std::string& searchPath) {
  capture::StripShortMarker(path);
  path = platform::Trim(path);
  // "<Folder>": a predefined location by its folder name.
  if (path.size() > 2 && path.front() == '<' && path.back() == '>') path = "%" + path.substr(1, path.size() - 2) + "%";
  searchPath.clear();
  for (std::string element : capture::Split(path, ';')) {
    element = platform::Trim(element);
    if (element.empty()) continue;
    capture::ToInstallerFolder(element, true, false);
    const std::string directory = element.starts_with("[") ? project_.DirectoryForPath(element, "") : "";
    if (directory.empty()) {
      core::LogTrace(core::kTraceGeneral, "AppPath search path element '%s' names no folder", element.c_str());
      return false;
    }
    if (!searchPath.empty()) searchPath += ';';
    searchPath += "[" + directory + "]";
  }
  return !searchPath.empty();
}

}  // namespace mappers
