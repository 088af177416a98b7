#include "options/filter_list.h"

#include <limits>

#include "options/wildcard_match.h"
#include "platform/host_paths.h"
#include "platform/profile.h"

namespace options {

namespace {

constexpr std::string_view kWholeKey = "*";
constexpr std::string_view kEveryName = "*.*";

}  // namespace

void FilterList::Load(const std::string& profilePath) {
  if (profilePath.empty()) return;
  const std::string path = platform::FullPath(platform::ResolveHostPath(profilePath));
  // Each line counts, also a second line of the same key: the lists hold more than one pattern
  // per key. Read at once, without the size limit of the profile functions' buffers.
  for (const std::string& line :
       platform::GetProfileSection(section_, path, std::numeric_limits<size_t>::max())) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    AddPattern(platform::Trim(std::string_view(line).substr(0, equals)),
               platform::Trim(std::string_view(line).substr(equals + 1)));
  }
}

void FilterList::AddPattern(const std::string& key, const std::string& pattern) {
  if (key.empty() || pattern.empty()) return;
  Entry& entry = entries_[platform::ToLower(key)];
  if (pattern == kWholeKey || pattern == kEveryName) entry = Entry();
  const auto [position, added] = entry.positionOfLower.try_emplace(platform::ToLower(pattern), entry.patterns.size());
  if (!added) return;
  if (HasWildcard(pattern)) entry.wildcards.push_back({entry.patterns.size(), PreparedPattern(pattern)});
  entry.patterns.push_back(pattern);
}

const FilterList::Entry* FilterList::FindLowerCase(const std::string& lowerKey) const {
  const auto found = entries_.find(lowerKey);
  return found == entries_.end() ? nullptr : &found->second;
}

namespace {

bool IsWholeKeyEntry(const auto* entry) {
  return entry && entry->patterns.size() == 1 && entry->patterns.front() == kWholeKey;
}

}  // namespace

bool FilterList::HasWholeKey(std::string_view key) const { return IsWholeKeyEntry(Find(key)); }

bool FilterList::IsUnderWholeKey(std::string_view key, std::string* ancestor) const {
  // Folded once; every ancestor is a prefix of the folded key.
  std::string lowerKey = platform::ToLower(key);
  for (size_t cut = lowerKey.rfind('\\'); cut != std::string::npos && cut != 0; cut = lowerKey.rfind('\\')) {
    lowerKey.resize(cut);
    if (IsWholeKeyEntry(FindLowerCase(lowerKey))) {
      if (ancestor) *ancestor = std::string(key.substr(0, cut));
      return true;
    }
  }
  return false;
}

bool FilterList::MatchName(std::string_view key, std::string_view name, std::string* pattern) const {
  const Entry* entry = Find(key);
  if (!entry) return false;
  auto found = [&](size_t position) {
    if (pattern) *pattern = entry->patterns[position];
    return true;
  };
  if (name == kEveryName) {
    const auto everyName = entry->positionOfLower.find(std::string(kEveryName));
    return everyName != entry->positionOfLower.end() && found(everyName->second);
  }
  // A pattern without a wildcard matches only the name itself; a wildcard pattern before it
  // in the list is found first.
  const std::string lowerName = platform::ToLower(name);
  size_t exact = entry->patterns.size();
  if (const auto same = entry->positionOfLower.find(lowerName);
      same != entry->positionOfLower.end() && !HasWildcard(entry->patterns[same->second]))
    exact = same->second;
  for (const Entry::Wildcard& wildcard : entry->wildcards) {
    if (wildcard.position > exact) break;
    if (MatchPrepared(wildcard.prepared, lowerName)) return found(wildcard.position);
  }
  return exact < entry->patterns.size() && found(exact);
}

bool FilterList::HoldsPattern(std::string_view key, std::string_view pattern) const {
  const Entry* entry = Find(key);
  return entry && entry->positionOfLower.count(platform::ToLower(pattern)) != 0;
}

}  // namespace options
