#include "mappers/registry_mapper.h"

#include "capture/folder_rules.h"
#include "capture/registry_text.h"
#include "platform/codepage.h"
#include "platform/text.h"
#include "project/check_hr.h"
#include "project/vpx_writer.h"

namespace mappers {
namespace {

bool comMapping = true;
bool miscRegMapping = true;

bool AllValuesMapped(const capture::RegKey& key) {
  for (const capture::RegValue& value : key.Values())
    if (!value.IsMapped()) return false;
  return true;
}

}  // namespace

void SetMappingSwitches(bool com, bool miscReg) {
  comMapping = com;
  miscRegMapping = miscReg;
}
bool ComMapping() { return comMapping; }
bool MiscRegMapping() { return miscRegMapping; }

RegistryMapper::RegistryMapper(capture::RegistryModel& registry, project::VpxWriter& project,
                               const ContentAccess& content)
    : registry_(registry), project_(project), content_(content) {}

// The keys are an ordered index: a key at or after the start position is found by name, not by
// a walk (the start position of every mapper is the beginning of the collection or a key
// before the one asked for).
capture::RegValue* RegistryMapper::FindValue(KeyPosition start, const std::string& keyName,
                                             const std::string& valueName) {
  KeyPosition found = Keys().find(keyName);
  if (found == Keys().end()) return nullptr;
  if (start != Keys().end() && platform::CompareNoCase(found->first, start->first) < 0) return nullptr;
  for (capture::RegValue& value : found->second.Values())
    if (platform::EqualsNoCase(value.Name(), valueName)) return &value;
  return nullptr;
}

bool RegistryMapper::GetValueData(KeyPosition start, const std::string& keyName,
                                  const std::string& valueName, std::string& data, bool mark) {
  capture::RegValue* value = FindValue(start, keyName, valueName);
  if (!value) return false;
  data = PlainValueText(*value);
  if (mark && ComMapping()) MarkValue(*registry_.FindKey(keyName), *value, true);
  return true;
}

void RegistryMapper::MarkValue(capture::RegKey& key, capture::RegValue& value, bool mapped) {
  if (mapped == value.IsMapped()) return;
  value.SetMapped(mapped);
  if (mapped && AllValuesMapped(key)) key.RegistryItem::SetMapped(true);
  // The key's own mark only: its other values stay mapped where another mapper consumed them.
  if (!mapped) key.RegistryItem::SetMapped(false);
}

void RegistryMapper::MarkMapped(const std::string& keyName, const std::string& valueName, bool mapped) {
  if (!ComMapping()) return;
  capture::RegKey* key = registry_.FindKey(keyName);
  if (!key) return;
  for (capture::RegValue& value : key->Values())
    if (platform::EqualsNoCase(value.Name(), valueName)) return MarkValue(*key, value, mapped);
}

void RegistryMapper::GiveComponentToKeys(const std::string& keyName, const ComponentRef& component) {
  const std::string below = keyName + "\\";
  for (KeyPosition at = Keys().lower_bound(keyName); at != Keys().end(); ++at) {
    if (!platform::EqualsNoCase(at->first, keyName) && !platform::StartsWithNoCase(at->first, below)) {
      // Names like "{X}" + "-more" sort between "{X}" and "{X}\...": step over them.
      if (!platform::StartsWithNoCase(at->first, keyName)) break;
      continue;
    }
    at->second.SetComponent(component);
  }
}

void RegistryMapper::GiveComponentToRegistration(const std::string& keyName, const ComponentRef& component) {
  if (MiscRegMapping()) {
    GiveComponentToKeys(keyName, component);
  } else if (capture::RegKey* key = FindKey(keyName)) {
    key->SetComponent(component);
  }
}

std::string PlainValueText(const capture::RegValue& value) {
  const std::string& data = value.Data();
  if (value.Type() != capture::kString) return data;
  // Formatted-text escapes of a single character: "[\x]" stands for x.
  std::string plain;
  plain.reserve(data.size());
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '[' && i + 3 < data.size() && data[i + 1] == '\\' && data[i + 3] == ']') {
      plain += data[i + 2];
      i += 3;
      continue;
    }
    plain += data[i];
  }
  return plain;
}

std::string ComponentName(const ComponentRef& component) {
  std::string name;
  if (component) CHECK_HR(component->GetName(&name));
  return platform::Utf8ToAnsi(name);
}

std::string FeatureOfComponent(project::VpxWriter& project, const ComponentRef& component) {
  std::vector<std::string> features;
  if (component && qv::Succeeded(CHECK_HR(component->GetFeatures(&features))) && !features.empty())
    return platform::Utf8ToAnsi(features.front());
  return project.GetFeatureForNewComponent();
}

void SplitIconValue(const std::string& value, std::string& file, int32_t& index) {
  file = value;
  index = 0;
  const size_t comma = value.rfind(',');
  if (comma == std::string::npos) return;
  const std::string number = platform::Trim(value.substr(comma + 1));
  const size_t sign = !number.empty() && (number[0] == '-' || number[0] == '+') ? 1 : 0;
  if (number.size() == sign || number.size() > sign + 9) return;
  for (size_t i = sign; i < number.size(); ++i)
    if (number[i] < '0' || number[i] > '9') return;
  index = static_cast<int32_t>(platform::Atol(number));
  file = platform::Trim(value.substr(0, comma));
}

namespace {

// A file path as a registry value names it, without "_Short(...)" and surrounding quotes.
std::string PlainFilePath(const std::string& path) {
  std::string file = platform::Trim(path);
  capture::StripShortMarker(file);
  if (file.size() > 2 && file.front() == '"' && file.back() == '"') file = file.substr(1, file.size() - 2);
  return file;
}

}  // namespace

ComponentRef ComponentOfFile(const std::string& path) {
  const std::string file = PlainFilePath(path);
  return file.empty() ? ComponentRef() : capture::ComponentOfNamedFile(file);
}

std::string SourcePathOfFile(const std::string& path) {
  const std::string file = PlainFilePath(path);
  if (file.empty()) return {};
  const qv::ComPtr<qv::IFile> captured = capture::CapturedFileNamed(file);
  std::string sourcePath;
  if (!captured || qv::Failed(CHECK_HR(captured->GetSourcePath(&sourcePath)))) return {};
  return platform::Utf8ToAnsi(sourcePath);
}

}  // namespace mappers
