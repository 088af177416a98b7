#include "capture/registry_model.h"

#include "capture/capture_filter.h"
#include "capture/text_lines.h"
#include "frontend/cancellation.h"
#include "options/project_options.h"
#include "platform/codepage.h"

namespace capture {
namespace {

constexpr std::string_view kMachineClassesPrefix = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\";

struct RootEntry {
  uint32_t root;
  const char* name;
};

constexpr RootEntry kRoots[] = {
    {kHKeyLocalMachine, "HKEY_LOCAL_MACHINE"},
    {kHKeyCurrentUser, "HKEY_CURRENT_USER"},
    {kHKeyClassesRoot, "HKEY_CLASSES_ROOT"},
    {kHKeyUsers, "HKEY_USERS"},
};

// The fourth comma-separated field of a key line, or empty. Only the text after the key's
// closing ']' counts: a key name may hold commas ("...\Fonts\Arial,0,1,Bold").
std::string ComponentTagOf(const std::string& keyLine) {
  const size_t close = platform::FindLastCharacter(keyLine, ']');
  const std::string line = close == std::string::npos ? keyLine : keyLine.substr(close);
  size_t start = 0;
  for (int field = 0; field < 3; ++field) {
    const size_t comma = line.find(',', start);
    if (comma == std::string::npos) return {};
    start = comma + 1;
  }
  return line.substr(start, line.find(',', start) - start);
}

}  // namespace

const char* RootName(uint32_t root) {
  for (const RootEntry& entry : kRoots)
    if (entry.root == root) return entry.name;
  return "";
}

RegKey::RegKey(uint32_t root, std::string subkeyPath, std::string componentTag)
    : root_(root), subkeyPath_(std::move(subkeyPath)), componentTag_(std::move(componentTag)) {
  Rebuild();
}

void RegKey::Rebuild() {
  fullPath_ = root_ == kNoRoot ? subkeyPath_ : std::string(RootName(root_)) + "\\" + subkeyPath_;
  keyClass_ = ClassifyKey(fullPath_);
}

void RegKey::SetMapped(bool mapped) {
  if (!mapped && IsMapped())
    for (RegValue& value : values_) value.SetMapped(false);
  RegistryItem::SetMapped(mapped);
}

void RegKey::MoveToDefaultUser() {
  root_ = kHKeyUsers;
  subkeyPath_ = ".Default\\" + subkeyPath_;
  Rebuild();
}

RegistryModel::RegistryModel() : RegistryModel(options::Options().UseHKCUProxy()) {}

RegistryModel::RegistryModel(bool useHKCUProxy) : useHKCUProxy_(useHKCUProxy) {}

void RegistryModel::LoadRegistryFile(const std::string& path) {
  if (path.empty()) return;
  frontend::TestCancel();
  LoadRegistryText(ReadCapturedFile(path), path);
}

void RegistryModel::LoadRegistryText(std::string contents, const std::string& fileName) {
  currentKey_ = nullptr;
  currentShadowKey_ = nullptr;
  multiStringPending_ = false;
  lastValueExcluded_ = false;
  TextLines lines(std::move(contents), fileName);
  std::string_view line;
  while (lines.Next(line)) {
    frontend::TestCancel();
    ReadRegistryLine(std::string(line), false);
  }
}

bool RegistryModel::ReadRegistryLine(const std::string& rawLine, bool iniMode) {
  const std::string line = platform::Trim(rawLine);
  if (line.empty() || line == "REGEDIT4") return true;
  if (line.front() == '[') {
    ReadKeyLine(line);
  } else if (currentKey_ == nullptr) {
    // Data of an excluded key, or data before the first key.
  } else if (!multiStringPending_ && line.find('=') != std::string::npos) {
    ReadValueLine(line, iniMode);
  } else {
    ContinueValue(line);
  }
  return true;
}

void RegistryModel::ReadKeyLine(const std::string& line) {
  multiStringPending_ = false;
  const std::string componentTag = ComponentTagOf(line);
  std::string text = line;
  const size_t lastClose = platform::FindLastCharacter(text, ']');
  if (lastClose != std::string::npos) text.erase(lastClose);
  text.erase(0, 1);

  uint32_t root = kNoRoot;
  if (text.starts_with(kMachineClassesPrefix)) {
    root = kHKeyClassesRoot;
    text.erase(0, kMachineClassesPrefix.size());
  } else if (const size_t separator = text.find('\\'); separator != std::string::npos && separator > 0) {
    const std::string_view head = std::string_view(text).substr(0, separator);
    for (const RootEntry& entry : kRoots) {
      if (platform::EqualsNoCase(head, entry.name)) {
        root = entry.root;
        text.erase(0, separator + 1);
        break;
      }
    }
  }
  RegKey key(root, std::move(text), componentTag);

  if (IsKeyExcluded(key.FullPath())) {
    currentKey_ = nullptr;
    return;
  }
  if (useHKCUProxy_) {
    if (key.Root() == kHKeyCurrentUser) {
      RegKey shadow = key;
      shadow.MoveToDefaultUser();
      PruneIfEmptyParent(currentShadowKey_, shadow.FullPath());
      currentShadowKey_ = Insert(std::move(shadow));
    } else {
      currentShadowKey_ = nullptr;
    }
  }
  PruneIfEmptyParent(currentKey_, key.FullPath());
  currentKey_ = Insert(std::move(key));
}

void RegistryModel::ReadValueLine(const std::string& line, bool iniMode) {
  const bool endsWithBackslash = iniMode && line.back() == '\\';
  RegValue value = RegValue::Parse(line);
  multiStringPending_ = value.ContinuationPending();
  // An INI value keeps the trailing backslash that the value text loses.
  if (endsWithBackslash) value.AppendRawData("\\");
  if (IsValueExcluded(currentKey_->FullPath(), value.Name())) {
    lastValueExcluded_ = true;
    excludedValue_ = std::move(value);  // still read to its end, then dropped
    return;
  }
  lastValueExcluded_ = false;
  if (currentShadowKey_ != nullptr) currentShadowKey_->Values().push_back(value);
  currentKey_->Values().push_back(std::move(value));
}

void RegistryModel::ContinueValue(const std::string& line) {
  if (lastValueExcluded_) {
    excludedValue_.AppendLine(line, false);
    multiStringPending_ = excludedValue_.ContinuationPending();
    return;
  }
  if (currentKey_->Values().empty()) return;
  RegValue& value = currentKey_->Values().back();
  value.AppendLine(line, false);
  multiStringPending_ = value.ContinuationPending();
  if (currentShadowKey_ != nullptr && !currentShadowKey_->Values().empty())
    currentShadowKey_->Values().back().AppendLine(line, false);
}

void RegistryModel::PruneIfEmptyParent(RegKey* previous, const std::string& nextFullPath) {
  if (previous == nullptr || !previous->Values().empty()) return;
  const std::string& parent = previous->FullPath();
  // Only a true parent: "A\B" is dropped for "A\B\C", not for "A\BC".
  if (nextFullPath.size() <= parent.size() || !nextFullPath.starts_with(parent) ||
      nextFullPath[parent.size()] != '\\')
    return;
  if (currentKey_ == previous) currentKey_ = nullptr;
  if (currentShadowKey_ == previous) currentShadowKey_ = nullptr;
  keys_.erase(keys_.find(parent));
}

RegKey* RegistryModel::Insert(RegKey key) {
  std::string fullPath = key.FullPath();
  const auto [entry, inserted] = keys_.try_emplace(std::move(fullPath), std::move(key));
  return &entry->second;
}

RegKey* RegistryModel::FindKey(const std::string& fullPath) {
  const auto found = keys_.find(fullPath);
  return found == keys_.end() ? nullptr : &found->second;
}

const RegKey* RegistryModel::FindKey(const std::string& fullPath) const {
  const auto found = keys_.find(fullPath);
  return found == keys_.end() ? nullptr : &found->second;
}

}  // namespace capture
