// File kinds and component naming conventions.
#include "content/component_naming.h"

#include <vector>

#include "options/project_options.h"
#include "platform/codepage.h"
#include "project/keys.h"

namespace content {

namespace {

constexpr int kDescriptionExecutable = 25100;
constexpr int kDescriptionLibrary = 25101;
constexpr int kDescriptionControl = 25102;
constexpr int kDescriptionHelp = 25103;
constexpr int kDescriptionFont = 25104;
constexpr int kDescriptionTypeLibrary = 25109;
constexpr int kDescriptionDriver = 25111;
constexpr int kDescriptionIni = 25112;

constexpr const char* kNamingSection = "Component Naming Conventions";

struct NamingDefaults {
  const char* keyStem;
  const char* prefix;
  const char* suffix;
};

// By type number.
constexpr NamingDefaults kNamingDefaults[] = {
    {"File", "", ""},
    {"COM", "", "_COM"},
    {"ODBCDriver", "ODBCDriver_", ""},
    {"ODBCSource", "ODBCSource_", ""},
    {"Registry", "Registry_", ""},
    {"Service", "", "_Service"},
    {"Folder", "Folder_", ""},
    {"", "CreateFolder_", ""},  // its keys are "Prefix" and "Suffix" themselves
    {"Ini", "IniFileEntries", ""},
    {"Font", "", "_Font"},
};

// The description of an extension added by the options, by its group.
int DescriptionOfGroup(long group) {
  switch (group) {
    case kHelpFiles:
      return kDescriptionHelp;
    case kFonts:
      return kDescriptionFont;
    case kIniFiles:
      return kDescriptionIni;
    default:
      return kDescriptionExecutable;
  }
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

ExtensionTable::ExtensionTable(const std::string& otherExtensions) {
  const struct {
    const char* extension;
    int group;
    int description;
  } builtIn[] = {
      {"EXE", kExecutables, kDescriptionExecutable}, {"DLL", kExecutables, kDescriptionLibrary},
      {"OCX", kExecutables, kDescriptionControl},    {"OLB", kExecutables, kDescriptionTypeLibrary},
      {"PKG", kExecutables, kDescriptionTypeLibrary}, {"AIP", kExecutables, kDescriptionTypeLibrary},
      {"TLB", kExecutables, kDescriptionTypeLibrary}, {"SYS", kExecutables, kDescriptionDriver},
      {"HLP", kHelpFiles, kDescriptionHelp},         {"CNT", kHelpFiles, kDescriptionHelp},
      {"CHM", kHelpFiles, kDescriptionHelp},         {"CHI", kHelpFiles, kDescriptionHelp},
      {"TTF", kFonts, kDescriptionFont},             {"FON", kFonts, kDescriptionFont},
      {"TTC", kFonts, kDescriptionFont},             {"INI", kIniFiles, kDescriptionIni},
  };
  for (const auto& entry : builtIn) kinds_[entry.extension] = FileKind{entry.group, entry.description};

  // "ext:group|ext:group"; an item without ':' or without extension adds nothing.
  for (const std::string& item : Split(otherExtensions, '|')) {
    const size_t colon = item.find(':');
    if (colon == std::string::npos) continue;
    std::string extension = platform::Trim(item.substr(0, colon));
    if (!extension.empty() && extension.front() == '.') extension.erase(0, 1);
    if (extension.empty()) continue;
    const long group = platform::Atol(platform::Trim(item.substr(colon + 1)));
    kinds_[extension] = FileKind{static_cast<int>(group), DescriptionOfGroup(group)};
  }
}

FileKind ExtensionTable::KindOf(const std::string& extension) const {
  auto found = kinds_.find(extension);
  return found == kinds_.end() ? FileKind{} : found->second;
}

std::string FileNameOfPath(const std::string& path) {
  const size_t separator = platform::FindLastCharacter(path, '\\');
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string ExtensionOfPath(const std::string& path) {
  const std::string fileName = FileNameOfPath(path);
  const size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? std::string() : fileName.substr(dot + 1);
}

std::string LastFolderName(const std::string& folder) {
  std::string trimmed = folder;
  while (!trimmed.empty() && trimmed.back() == '\\') trimmed.pop_back();
  // "[ProgramFilesFolder]Demo" names Demo; "[SystemFolder]" alone names the folder property.
  const size_t separator = platform::FindLastOfCharacters(trimmed, "\\]");
  if (separator != std::string::npos && separator + 1 < trimmed.size())
    trimmed.erase(0, separator + 1);
  else if (const size_t backslash = platform::FindLastCharacter(trimmed, '\\'); backslash != std::string::npos)
    trimmed.erase(0, backslash + 1);
  std::string name;
  for (char c : trimmed)
    if (c != '%' && c != '[' && c != ']') name += c;
  return name;
}

const NamingConventions::Affixes& NamingConventions::AffixesOf(NamingType type) {
  auto found = affixes_.find(type);
  if (found != affixes_.end()) return found->second;
  const NamingDefaults& defaults = kNamingDefaults[type];
  const std::string stem = defaults.keyStem;
  Affixes affixes;
  affixes.prefix = options::ReadSectionValue(kNamingSection, stem + "Prefix", defaults.prefix);
  affixes.suffix = options::ReadSectionValue(kNamingSection, stem + "Suffix", defaults.suffix);
  return affixes_.emplace(type, affixes).first->second;
}

std::string NamingConventions::Apply(std::string name, NamingType type) {
  const Affixes& affixes = AffixesOf(type);
  if (!platform::StartsWithNoCase(name, affixes.prefix)) name = affixes.prefix + name;
  if (!platform::EndsWithNoCase(name, affixes.suffix)) name += affixes.suffix;
  project::MakeIdentifier(name);
  return name;
}

}  // namespace content
