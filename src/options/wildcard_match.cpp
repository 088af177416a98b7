#include "options/wildcard_match.h"

#include "platform/text.h"

namespace options {

namespace {

constexpr std::string_view kWildcards = "*?";

// Only '*' may be left of a pattern once the text is used up.
bool OnlyStarsFrom(std::string_view pattern, size_t position) {
  return pattern.find_first_not_of('*', position) == std::string_view::npos;
}

}  // namespace

bool HasWildcard(std::string_view pattern) { return pattern.find_first_of(kWildcards) != std::string_view::npos; }

std::string PreparedPattern(std::string_view patternText) {
  std::string pattern = platform::ToLower(patternText);
  for (size_t twoStars = pattern.find("**"); twoStars != std::string::npos; twoStars = pattern.find("**", twoStars))
    pattern.erase(twoStars, 1);
  return pattern;
}

bool WildcardMatch(std::string_view pattern, std::string_view text) {
  return MatchPrepared(PreparedPattern(pattern), platform::ToLower(text));
}

bool MatchPrepared(std::string_view pattern, std::string_view text) {
  if (pattern.empty() || text.empty()) return false;
  size_t p = 0;
  size_t t = 0;
  while (p < pattern.size() && t < text.size()) {
    const size_t wildcard = pattern.find_first_of(kWildcards, p);
    if (wildcard != p) {
      // A literal run: the last one must end the text exactly.
      if (wildcard == std::string_view::npos) return text.substr(t) == pattern.substr(p);
      const size_t length = wildcard - p;
      if (text.substr(t, length) != pattern.substr(p, length)) return false;
      p += length;
      t += length;
      continue;
    }
    if (pattern[p] == '?') {
      ++p;
      ++t;
      continue;
    }
    if (p + 1 == pattern.size()) return true;  // a final '*' takes the rest of the text
    const size_t segmentStart = p + 1;
    const size_t next = pattern.find_first_of(kWildcards, segmentStart);
    const std::string_view segment =
        pattern.substr(segmentStart, next == std::string_view::npos ? std::string_view::npos : next - segmentStart);
    const size_t found = text.find(segment, t);
    if (found == std::string_view::npos) return false;
    // The pattern's last segment: its leftmost occurrence must end the text.
    if (next == std::string_view::npos) return found + segment.size() == text.size();
    t = found + segment.size();
    p = next;
  }
  // The text is used up: what is left of the pattern must match nothing. A pattern used up
  // before the text (after a '?') leaves text unmatched.
  return t == text.size() && OnlyStarsFrom(pattern, p);
}

}  // namespace options
