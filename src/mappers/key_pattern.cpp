#include "mappers/key_pattern.h"

#include "capture/key_classes.h"
#include "platform/text.h"

namespace mappers {

KeyPattern::KeyPattern(std::string pattern, Mode mode)
    : pattern_(std::move(pattern)), mode_(mode), plainPrefix_(pattern_.find("\\\\") == std::string::npos) {
  if (plainPrefix_) {
    literalHead_ = pattern_;
    return;
  }
  // A trailing backslash closes the last component: "HKEY_CLASSES_ROOT\AppID\\" has one
  // wildcard after "AppID".
  for (std::string_view part : capture::SplitSegments(pattern_)) parts_.emplace_back(part);
  for (const std::string& part : parts_) {
    if (part.empty()) break;
    literalHead_ += part + "\\";
  }
}

bool KeyPattern::Matches(std::string_view keyName, Captures* captures) const {
  if (captures) captures->clear();
  if (plainPrefix_) return platform::StartsWithNoCase(keyName, pattern_);
  const std::vector<std::string_view> keyParts = capture::SplitSegments(keyName);
  if (mode_ == kExact ? keyParts.size() != parts_.size() : keyParts.size() < parts_.size()) return false;
  for (size_t i = 0; i < parts_.size(); ++i) {
    if (parts_[i].empty()) {
      // A wildcard stands for one whole component, never for an empty one.
      if (keyParts[i].empty()) return false;
      if (captures) captures->emplace_back(keyParts[i]);
    } else if (!platform::EqualsNoCase(keyParts[i], parts_[i])) {
      return false;
    }
  }
  return true;
}

KeyPosition KeyPattern::FindNext(KeyMap& keys, KeyPosition position, Captures* captures) const {
  // Keys are ordered without regard to case, so all keys with the literal head lie together.
  if (position == keys.end()) return position;
  if (!platform::StartsWithNoCase(position->first, literalHead_)) {
    if (platform::CompareNoCase(position->first, literalHead_) > 0) return keys.end();
    position = keys.lower_bound(literalHead_);
  }
  for (; position != keys.end() && platform::StartsWithNoCase(position->first, literalHead_); ++position)
    if (Matches(position->first, captures)) return position;
  return keys.end();
}

}  // namespace mappers
