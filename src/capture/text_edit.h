// Small text edits shared by the capture readers and the path translation.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace capture {

// Replaces every occurrence of find, scanning on after each replacement.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replace);

// The parts between separators; empty parts are kept.
std::vector<std::string> Split(std::string_view text, char separator);

}  // namespace capture
