// One include or exclude list of the capture filters, bound to one section of a profile file:
// keys (a folder, a registry key path, a file) each with their patterns, in the order they were
// added. Keys and patterns are compared without regard to case.
//
// Special patterns: "*" is the key and everything below it, "*.*" every name directly in the key.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/text.h"

namespace options {

class FilterList {
 public:
  explicit FilterList(std::string section) : section_(std::move(section)) {}

  const std::string& Section() const { return section_; }

  // Adds every "key=pattern" line of the list's section of a profile file; a missing file or
  // section adds nothing, a line with an empty pattern is ignored.
  void Load(const std::string& profilePath);
  // An empty key or pattern is ignored; "*" and "*.*" replace what the key held before.
  void AddPattern(const std::string& key, const std::string& pattern);

  bool IsEmpty() const { return entries_.empty(); }
  // The key is listed with the single pattern "*".
  bool HasWholeKey(std::string_view key) const;
  // One of the key's ancestors (cut at backslashes) is a whole key; *ancestor names the nearest.
  bool IsUnderWholeKey(std::string_view key, std::string* ancestor = nullptr) const;
  bool ContainsKey(std::string_view key) const { return HasWholeKey(key) || IsUnderWholeKey(key); }
  // The first of the key's patterns, in the order they were added, that matches the name
  // (*pattern gets it). The name "*.*" is matched only by the pattern "*.*" itself.
  bool MatchName(std::string_view key, std::string_view name, std::string* pattern = nullptr) const;
  // The key holds this very pattern (letter case aside).
  bool HoldsPattern(std::string_view key, std::string_view pattern) const;

 private:
  // Patterns without a wildcard are found through an index; only the others are walked.
  struct Entry {
    std::vector<std::string> patterns;                       // in the order they were added
    std::unordered_map<std::string, size_t> positionOfLower;  // lower-case pattern -> position
    struct Wildcard {
      size_t position;
      std::string prepared;  // for MatchPrepared
    };
    std::vector<Wildcard> wildcards;  // ascending positions
  };

  const Entry* Find(std::string_view key) const { return FindLowerCase(platform::ToLower(key)); }
  const Entry* FindLowerCase(const std::string& lowerKey) const;

  std::string section_;
  // Keys folded to lower case once, so that a query is one hash look-up and not a walk of
  // comparisons over keys that share long prefixes ("HKEY_LOCAL_MACHINE\Software\...").
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace options
