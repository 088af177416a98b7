#include "capture/registry_model.h"

#include "capture/capture_filter.h"
#include "capture/text_lines.h"
#include "core/cancellation.h"
#include "core/messages.h"
#include "core/string_table.h"
#include "options/project_options.h"
#include "platform/codepage.h"

namespace capture {
namespace {

constexpr std::string_view kMachineClassesPrefix = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\";
constexpr std::string_view kUnicodeExportHeader = "Windows Registry Editor Version 5.00";

constexpr int kDamagedValueLeftOut = 22603;
constexpr int kValueTypeLeftOut = 22604;
constexpr int kValueNamedTwice = 22605;

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

bool RegKey::AddValue(RegValue value) {
  // Most keys hold a handful of values: a walk finds a name sooner than an index would, and
  // costs no memory. A key with many values gets its index.
  constexpr size_t kIndexedFrom = 16;
  if (valueIndex_.empty() && values_.size() < kIndexedFrom) {
    for (RegValue& held : values_)
      if (platform::EqualsNoCase(held.Name(), value.Name())) {
        held = std::move(value);
        return true;
      }
    values_.push_back(std::move(value));
    return false;
  }
  if (valueIndex_.empty())
    for (size_t i = 0; i < values_.size(); ++i) valueIndex_.emplace(values_[i].Name(), i);
  const auto [entry, inserted] = valueIndex_.try_emplace(value.Name(), values_.size());
  if (inserted) {
    values_.push_back(std::move(value));
    return false;
  }
  values_[entry->second] = std::move(value);
  return true;
}

void RegKey::ReleaseValues() {
  std::vector<RegValue>().swap(values_);
  valueIndex_.clear();
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
  core::TestCancel();
  LoadRegistryText(ReadCapturedFile(path), path);
}

void RegistryModel::LoadRegistryText(std::string contents, const std::string& fileName) {
  currentKey_ = nullptr;
  currentShadowKey_ = nullptr;
  multiStringPending_ = false;
  pendingValue_.reset();
  utf16Strings_ = false;
  fileName_ = fileName;
  TextLines lines(std::move(contents), fileName);
  std::string_view line;
  while (lines.Next(line)) {
    core::TestCancel();
    ReadRegistryLine(line, false);
  }
  FinishValue();
  DropKeyEmptiedByFilters();
  fileName_.clear();
}

// A removed key without values removes the whole key: a key that this file brought and whose
// values the capture filters all left out must not become that.
void RegistryModel::DropKeyEmptiedByFilters() {
  if (holdsRemovedData_ && currentKey_ != nullptr && currentKeyIsNew_ && currentKeyLostValues_ &&
      currentKey_->Values().empty()) {
    keys_.erase(keys_.find(currentKey_->FullPath()));
    currentKey_ = nullptr;
  }
  currentKeyLostValues_ = false;
}

bool RegistryModel::ReadRegistryLine(std::string_view rawLine, bool iniMode) {
  const std::string line = platform::Trim(rawLine);
  if (line.empty() || line == "REGEDIT4") return true;
  // An export of the later format saved again as ANSI text keeps its header: its hex(2) and
  // hex(7) data are UTF-16.
  if (!iniMode && line == kUnicodeExportHeader) {
    utf16Strings_ = true;
    return true;
  }
  if (line.front() == '[') {
    FinishValue();
    ReadKeyLine(line);
  } else if (currentKey_ == nullptr) {
    // Data of an excluded or removed key, or data before the first key.
  } else if (!multiStringPending_ && line.find('=') != std::string::npos) {
    FinishValue();
    ReadValueLine(line, iniMode);
  } else {
    ContinueValue(line);
  }
  return true;
}

void RegistryModel::ReadKeyLine(const std::string& line) {
  DropKeyEmptiedByFilters();
  multiStringPending_ = false;
  const std::string componentTag = ComponentTagOf(line);
  std::string text = line;
  const size_t lastClose = platform::FindLastCharacter(text, ']');
  if (lastClose != std::string::npos) text.erase(lastClose);
  text.erase(0, 1);
  // "[-key]" removes the key.
  const bool removal = !text.empty() && text.front() == '-';
  if (removal) text.erase(0, 1);
  // The capture filters list keys as the capture recorded them: a class key recorded under
  // "HKEY_LOCAL_MACHINE\SOFTWARE\Classes" answers to that path, not to HKEY_CLASSES_ROOT.
  std::string capturedPath = text;

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

  // Removed keys answer to the deleted-registry lists.
  const CaptureFilter& filter = CurrentCaptureFilter();
  if (removal || holdsRemovedData_ ? filter.IsDeletedKeyExcluded(capturedPath) : filter.IsKeyExcluded(capturedPath)) {
    currentKey_ = nullptr;
    return;
  }
  if (removal && removals_ != nullptr) {
    // Its values (a removed key has none) are not read.
    removals_->Insert(std::move(key));
    currentKey_ = nullptr;
    currentShadowKey_ = nullptr;
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
  currentKey_ = Insert(std::move(key), &currentKeyIsNew_);
  currentCapturedPath_ = std::move(capturedPath);
}

void RegistryModel::ReadValueLine(const std::string& line, bool iniMode) {
  const bool endsWithBackslash = iniMode && line.back() == '\\';
  RegValue value = RegValue::Parse(line, iniMode, utf16Strings_);
  multiStringPending_ = value.ContinuationPending();
  // An INI value keeps the trailing backslash that the value text loses.
  if (endsWithBackslash) value.AppendRawData("\\");
  // An excluded value is still read to its end, then dropped.
  const CaptureFilter& filter = CurrentCaptureFilter();
  pendingExcluded_ = holdsRemovedData_ || value.IsRemoval()
                         ? filter.IsDeletedValueExcluded(currentCapturedPath_, value.Name())
                         : filter.IsValueExcluded(currentCapturedPath_, value.Name());
  if (pendingExcluded_) currentKeyLostValues_ = true;
  pendingValue_ = std::move(value);
}

void RegistryModel::ContinueValue(const std::string& line) {
  if (!pendingValue_) return;  // no value of this key to continue
  pendingValue_->AppendLine(line, false);
  multiStringPending_ = pendingValue_->ContinuationPending();
}

void RegistryModel::FinishValue() {
  if (!pendingValue_) return;
  RegValue value = std::move(*pendingValue_);
  pendingValue_.reset();
  if (pendingExcluded_ || currentKey_ == nullptr) return;
  value.Finish();
  if (value.IsRemoval() && removals_ != nullptr) {
    RegKey* removed = removals_->Insert(
        RegKey(currentKey_->Root(), currentKey_->SubkeyPath(), currentKey_->ComponentTag()));
    removed->AddValue(std::move(value));
  } else if (!value.UnsupportedType().empty()) {
    Warn(kValueTypeLeftOut, value.Name(), value.UnsupportedType());
  } else if (!value.Fault().empty()) {
    Warn(kDamagedValueLeftOut, value.Name(), value.Fault());
  } else {
    AddToCurrentKeys(std::move(value));
  }
}

void RegistryModel::AddToCurrentKeys(RegValue value) {
  if (currentShadowKey_ != nullptr) currentShadowKey_->AddValue(value);
  const std::string name = value.Name();
  if (currentKey_->AddValue(std::move(value))) Warn(kValueNamedTwice, name, std::string());
}

void RegistryModel::Warn(int messageId, const std::string& valueName, const std::string& detail) const {
  const std::string where = fileName_.empty() ? std::string("the capture script") : fileName_;
  core::LogMessage(core::kWarning,
                   core::FormatString(messageId, platform::Excerpt(where).c_str(),
                                          platform::Excerpt(valueName).c_str(),
                                          platform::Excerpt(currentKey_->FullPath()).c_str(),
                                          platform::Excerpt(detail).c_str()));
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

RegKey* RegistryModel::Insert(RegKey key, bool* added) {
  std::string fullPath = key.FullPath();
  const auto [entry, inserted] = keys_.try_emplace(std::move(fullPath), std::move(key));
  if (added) *added = inserted;
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
