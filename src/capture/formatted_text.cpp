#include "capture/formatted_text.h"

#include <cctype>

#include "platform/codepage.h"

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

namespace {

void AppendLiteral(std::string& out, char c) {
  if (c == '[' || c == ']' || c == '{' || c == '}') {
    out += "[\\";
    out += c;
    out += ']';
  } else {
    out += c;
  }
}

}  // namespace

std::string EscapeLiteralText(const std::string& text) {
  std::string result;
  result.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size();) {
    // A double-byte character stays whole: its trail byte may look like '[' or '{'.
    const size_t length = platform::CharacterLength(text, i);
    if (length == 1) AppendLiteral(result, text[i]);
    else result.append(text, i, length);
    i += length;
  }
  return result;
}

std::string EscapeKeyPath(const std::string& keyPath) {
  std::string result;
  result.reserve(keyPath.size() + 8);
  size_t start = 0;
  while (start <= keyPath.size()) {
    size_t end = platform::FindCharacter(keyPath, '\\', start);
    if (end == std::string::npos) end = keyPath.size();
    const std::string segment = keyPath.substr(start, end - start);
    result += IsBracedGuid(segment) ? segment : EscapeLiteralText(segment);
    if (end == keyPath.size()) break;
    result += '\\';
    start = end + 1;
  }
  return result;
}

std::string ConvertStringValue(const std::string& text) {
  if (IsBracedGuid(text)) return text;
  std::string result = EscapeLiteralText(text);
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
