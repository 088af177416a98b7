// The wildcard patterns of the capture filters: '*' stands for any run of characters, '?' for
// one character, and letter case is ignored.
#pragma once

#include <string>
#include <string_view>

namespace options {

// Whether text matches pattern; false when either is empty. The literal text after a '*' is
// taken at its leftmost occurrence, with no second try further on: "*.dll" matches "a.dll" but
// not "a.dll.dll".
bool WildcardMatch(std::string_view pattern, std::string_view text);

// Whether a pattern holds a wildcard character at all (else it matches only its own text).
bool HasWildcard(std::string_view pattern);

// The same match for a pattern prepared once and asked many times: PreparedPattern lower-cases
// it and reduces every "**" to "*"; the text must be lower-cased by the caller.
std::string PreparedPattern(std::string_view pattern);
bool MatchPrepared(std::string_view preparedPattern, std::string_view lowerCaseText);

}  // namespace options
