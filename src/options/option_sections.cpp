// The readers of the options file's other sections: the step switches of section "Sequence"
// (with their registry fallback), single values and whole sections.
#include "options/project_options.h"
#include "platform/profile.h"
#include "platform/registry.h"

namespace options {

namespace {

constexpr size_t kValueBufferSize = 260;
constexpr size_t kSectionBufferSize = 32000;
constexpr const char* kFallbackKey = "Software\\Quillmark\\Brightvale\\INCConversion\\Options.ini\\";

std::string& ProcessOptionsPath() {
  static std::string path;
  return path;
}

// The file the section readers use: resolved like the settings' own file, so that section
// "General" and the other sections always come from one file.
std::string SectionsFile() { return ResolveOptionsPath(ProcessOptionsPath()); }

}  // namespace

void SetOptionsPath(const std::string& path) { ProcessOptionsPath() = path; }
const std::string& OptionsPathForSections() { return ProcessOptionsPath(); }

std::string ReadOptionValue(const std::string& section, const std::string& key,
                            const std::string& defaultValue) {
  std::string value =
      platform::GetProfileString(section, key, std::string(), SectionsFile(), kValueBufferSize);
  if (value.empty()) {
    const auto fallback = platform::ReadRegistryString(platform::RegistryRoot::LocalMachine,
                                                       kFallbackKey + section, key);
    if (fallback) value = fallback->substr(0, kValueBufferSize - 1);
  }
  return value.empty() ? defaultValue : value;
}

bool SequenceSwitch(const std::string& key) {
  const std::string value = ReadOptionValue("Sequence", key, "Y");
  return !value.empty() && value[0] == 'Y';
}

std::string ReadSectionValue(const std::string& section, const std::string& key,
                             const std::string& defaultValue) {
  return platform::GetProfileString(section, key, defaultValue, SectionsFile(), kValueBufferSize);
}

std::vector<std::string> ReadSectionList(const std::string& section) {
  std::vector<std::string> entries =
      platform::GetProfileSection(section, SectionsFile(), kSectionBufferSize);
  for (std::string& entry : entries) {
    const size_t equals = entry.find('=');
    if (equals != std::string::npos) entry.erase(0, equals + 1);
  }
  return entries;
}

}  // namespace options
