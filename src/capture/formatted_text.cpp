#include "capture/formatted_text.h"

#include <cctype>

namespace capture {

bool IsBracedGuid(const std::string& text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  for (size_t i = 1; i <= 36; ++i) {
    const bool dashPosition = i == 9 || i == 14 || i == 19 || i == 24;
    if (dashPosition && text[i] != '-') return false;
    if (text[i] != '-' && !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

std::string EscapeFormattedText(const std::string& text) {
  std::string result;
  result.reserve(text.size() + 8);
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '[') {
      const size_t after = text.size() - i - 1;  // characters after the '['
      const char next = after > 0 ? text[i + 1] : '\0';
      size_t searchFrom = std::string::npos;
      if (next == '\\' && after >= 3) searchFrom = i + 3;
      else if (next == '~' && after >= 2) searchFrom = i + 2;
      else if (next == '!' && after >= 1) searchFrom = i + 2;
      if (searchFrom != std::string::npos) {
        // A reference of the installer's own: kept up to and including its ']'.
        const size_t close = text.find(']', searchFrom);
        const size_t end = close == std::string::npos ? text.size() : close + 1;
        result.append(text, i, end - i);
        i = end;
        continue;
      }
    }
    if (c == '[' || c == ']') {
      result += "[\\";
      result += c;
      result += ']';
    } else {
      result += c;
    }
    ++i;
  }
  return result;
}

std::string ConvertStringValue(const std::string& text) {
  if (IsBracedGuid(text)) return text;
  const std::string escaped = EscapeFormattedText(text);
  std::string result;
  result.reserve(escaped.size() + 8);
  for (const char c : escaped) {
    if (c == '{') result += "[\\{]";
    else if (c == '}') result += "[\\}]";
    else result += c;
  }
  const size_t first = result.find("%%");
  if (first != std::string::npos) {
    const size_t second = result.find("%%", first + 2);
    if (second != std::string::npos) {
      result.replace(second, 2, "]");
      result.replace(first, 2, "[%");
    }
  }
  return result;
}

}  // namespace capture
