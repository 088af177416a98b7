#include "content/ini_files.h"

#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "capture/capture_filter.h"
#include "capture/capture_folder.h"
#include "capture/formatted_text.h"
#include "capture/path_translation.h"
#include "capture/registry_model.h"
#include "content/component_naming.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "options/project_options.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "platform/windows_names.h"
#include "project/component_lookup.h"
#include "project/keys.h"
#include "project/msi_record.h"
#include "project/short_names.h"
#include "project/vpx_writer.h"

namespace content {

namespace {

constexpr size_t kLongestLine = 1024;
constexpr int32_t kCreateLine = 1;  // the entry is written unless the INI file has it already
constexpr std::string_view kIniRoot = "HKEY_INIFILES\\";

struct Entry {
  std::string key;
  std::string value;
};

// The sections of one INI file in the order met, each with its entries.
class IniSections {
 public:
  std::vector<Entry>& Section(const std::string& name) {
    auto [found, added] = index_.try_emplace(name, sections_.size());
    if (added) sections_.emplace_back(name, std::vector<Entry>());
    return sections_[found->second].second;
  }
  const std::vector<std::pair<std::string, std::vector<Entry>>>& All() const { return sections_; }

 private:
  std::vector<std::pair<std::string, std::vector<Entry>>> sections_;
  std::map<std::string, size_t, platform::LessNoCase> index_;
};

// The file name column of each INI file by folder and long name: one short name per file,
// however many rows name it.
std::map<std::string, std::string, platform::LessNoCase>& FileNameColumns() {
  static std::map<std::string, std::string, platform::LessNoCase> columns;
  return columns;
}

std::string FileNameColumn(const std::string& directoryKey, const std::string& longName) {
  auto [found, added] = FileNameColumns().try_emplace(directoryKey + "|" + longName);
  if (added) {
    found->second = project::InstallerFileName(longName, directoryKey);
    if (!project::HasValidShortPart(found->second))
      found->second = project::StrictInstallerFileName(longName, directoryKey);
  }
  return found->second;
}

// The name of the component of every INI entry, from the naming conventions on first use.
std::string& IniComponentName() {
  static std::string name;
  return name;
}

// The component of every INI entry, made in INSTALLDIR (with its CreateFolder row) on first use.
std::string IniComponent() {
  std::string& name = IniComponentName();
  if (name.empty()) name = NamingConventions().Apply("", kIniNaming);
  project::FindOrCreateDataComponent(name);
  return name;
}

// An empty key or value is written as one blank, which the IniFile table takes.
std::string ColumnText(const std::string& text) { return text.empty() ? std::string(" ") : text; }

void WriteRow(project::VpxWriter& writer, const std::string& fileName, const std::string& directoryKey,
              const std::string& section, const std::string& key, const std::string& value,
              const std::string& component) {
  project::MSIRecord record(writer, "IniFile");
  record.SetField(1, project::MakeUniqueKey(project::kIniFileKeys, "IniFile", 0, false));
  record.SetField(2, fileName);
  record.SetField(3, directoryKey);
  record.SetField(4, section);
  record.SetField(5, ColumnText(key));
  record.SetField(6, ColumnText(value));
  record.SetField(7, kCreateLine);
  record.SetField(8, component);
}

// The sections of an INI file's text, or nothing when a line is none that the IniFile table can
// express (an entry before any section or without '=', a line longer than the installer reads,
// a comment unless IgnoreIniComments is on). Entries of sections the capture filters exclude are
// dropped (capturedPath: the file as the capture names it); section, key and value are taken
// literally.
std::optional<IniSections> ParseIni(const std::string& text, const std::string& capturedPath) {
  IniSections sections;
  std::string section;
  bool haveSection = false, sectionExcluded = false;
  const bool ignoreComments = options::Options().IgnoreIniComments();
  size_t start = 0;
  while (start < text.size()) {
    core::TestCancel();
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end - start > kLongestLine) return std::nullopt;
    const std::string line = platform::Trim(std::string_view(text).substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    if (line.front() == ';') {
      if (!ignoreComments) return std::nullopt;
      continue;
    }
    if (line.front() == '[') {
      if (line.size() < 2 || line.back() != ']') return std::nullopt;
      section = line.substr(1, line.size() - 2);
      haveSection = true;
      sectionExcluded = capture::CurrentCaptureFilter().IsIniSectionExcluded(capturedPath, line);
      continue;
    }
    const size_t equals = line.find('=');
    if (!haveSection || equals == std::string::npos) return std::nullopt;
    if (sectionExcluded) continue;
    sections.Section(capture::EscapeLiteralText(section))
        .push_back({capture::EscapeLiteralText(platform::Trim(line.substr(0, equals))),
                    capture::EscapeLiteralText(platform::Trim(line.substr(equals + 1)))});
  }
  return sections;
}

bool HasEntries(const IniSections& sections) {
  for (const auto& [name, entries] : sections.All())
    if (!entries.empty()) return true;
  return false;
}

// A text file: no UTF-16 byte-order mark and no NUL byte among its first bytes.
bool LooksLikeText(const std::string& bytes) {
  const std::string_view head = std::string_view(bytes).substr(0, kLongestLine);
  if (head.size() >= 2 && head[0] == '\xFF' && head[1] == '\xFE') return false;
  return head.find('\0') == std::string_view::npos;
}

std::string FileNameOf(const std::string& path) {
  const size_t separator = platform::FindLastOfCharacters(path, "\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

// The folder and name of an AddIni block's file ("%WinDir%\\app.ini", "[WindowsFolder]app.ini",
// "app.ini" for the Windows folder) in installer form.
void SplitIniPath(const std::string& capturedPath, std::string& folder, std::string& fileName) {
  std::string path = capturedPath;
  capture::ToInstallerPath(path, true, false);
  // "%VAR%app.ini" names a file in the folder of the variable.
  if (!path.empty() && path.front() == '%') {
    const size_t second = path.find('%', 1);
    if (second != std::string::npos && second + 1 < path.size() && path[second + 1] != '\\')
      path.insert(second + 1, "\\");
  }
  const size_t separator = platform::FindLastOfCharacters(path, "\\]");
  if (separator == std::string::npos) {
    folder = "[WindowsFolder]";
    fileName = path;
    return;
  }
  folder = path.substr(0, separator + 1);
  fileName = path.substr(separator + 1);
  capture::ToInstallerFolder(folder, true, false);
}

}  // namespace

bool ConvertIniFile(const std::string& sourcePath, const std::string& directory, const std::string& capturedFolder) {
  project::VpxWriter* writer = project::CurrentProjectWriter();
  if (!writer) return false;
  const std::string hostPath = capture::HostPathOfSource(sourcePath);
  if (!capture::RefusalOf(hostPath).empty()) return false;
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return false;
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad() || !LooksLikeText(bytes)) return false;
  const std::string fileName = FileNameOf(sourcePath);
  // The capture filters name the file by its path as captured.
  const bool separated = capturedFolder.empty() || capturedFolder.back() == '\\' || capturedFolder.back() == ']';
  const std::string capturedPath = capturedFolder + (separated ? "" : "\\") + fileName;
  if (capture::CurrentCaptureFilter().IsIniFileExcluded(capturedPath)) return false;

  const std::optional<IniSections> sections = ParseIni(bytes, capturedPath);
  if (!sections || !HasEntries(*sections)) return false;
  const std::string directoryKey = writer->DirectoryForPath(directory, "");
  if (directoryKey.empty()) return false;

  const std::string component = IniComponent();
  const std::string column = FileNameColumn(directoryKey, fileName);
  for (const auto& [section, entries] : sections->All())
    for (const Entry& entry : entries) WriteRow(*writer, column, directoryKey, section, entry.key, entry.value, component);
  return true;
}

void MapIniEdits(capture::RegistryModel& registry) {
  project::VpxWriter* writer = project::CurrentProjectWriter();
  if (!writer) return;
  capture::RegistryModel::KeyMap& keys = registry.Keys();
  for (auto it = keys.lower_bound(std::string(kIniRoot));
       it != keys.end() && platform::StartsWithNoCase(it->first, kIniRoot); ++it) {
    core::TestCancel();
    capture::RegKey& key = it->second;
    if (key.IsMapped()) continue;
    const std::string rest = it->first.substr(kIniRoot.size());
    const size_t bar = rest.find('|');
    const std::string iniPath = rest.substr(0, bar);
    const std::string section = bar == std::string::npos ? std::string() : platform::Trim(rest.substr(bar + 1));
    const capture::CaptureFilter& filter = capture::CurrentCaptureFilter();
    if (filter.IsIniFileExcluded(iniPath) || filter.IsIniSectionExcluded(iniPath, "[" + section + "]")) continue;

    std::string folder, fileName;
    SplitIniPath(iniPath, folder, fileName);
    if (const std::string nameFault = platform::InstallPathFault(folder, fileName); !nameFault.empty()) {
      core::LogMessage(core::kWarning, platform::Format("The INI edits of '%s' are left out: %s.",
                                                        platform::Excerpt(rest).c_str(),
                                                        platform::Excerpt(nameFault).c_str()));
      continue;
    }
    const std::string directoryKey = fileName.empty() ? std::string() : writer->DirectoryForPath(folder, "");
    if (directoryKey.empty() || section.empty()) {
      core::LogMessage(core::kWarning,
                       platform::Format("The INI edits of '%s' are left out: the file lies in no folder the "
                                        "installer knows, or the edit names no section.",
                                        platform::Excerpt(rest).c_str()));
      continue;
    }
    const std::string component = IniComponent();
    const std::string column = FileNameColumn(directoryKey, fileName);
    for (capture::RegValue& value : key.Values()) {
      WriteRow(*writer, column, directoryKey, capture::EscapeLiteralText(section),
               capture::EscapeLiteralText(value.Name()), value.Data(), component);
      value.SetMapped(true);
    }
    key.SetMapped(true);
  }
}

void ResetIniFiles() {
  FileNameColumns().clear();
  IniComponentName().clear();
}

}  // namespace content
