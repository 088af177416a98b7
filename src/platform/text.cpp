#include "platform/text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {

namespace {

// Case pairs of Windows-1252 outside ASCII: the Latin-1 block plus the letters that 1252 puts
// in 0x80..0x9F.
constexpr unsigned char LowerByteOf(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 0x8A: return 0x9A;  // S caron
    case 0x8C: return 0x9C;  // OE
    case 0x8E: return 0x9E;  // Z caron
    case 0x9F: return 0xFF;  // Y diaeresis
    default: return c;
  }
}

constexpr unsigned char UpperByteOf(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
  switch (c) {
    case 0x9A: return 0x8A;
    case 0x9C: return 0x8C;
    case 0x9E: return 0x8E;
    case 0xFF: return 0x9F;
    default: return c;
  }
}

// Comparisons without regard to case run over every key of a capture: a table per direction.
constexpr std::array<unsigned char, 256> CaseTable(bool lower) {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c)
    table[c] = lower ? LowerByteOf(static_cast<unsigned char>(c)) : UpperByteOf(static_cast<unsigned char>(c));
  return table;
}
constexpr std::array<unsigned char, 256> kLower = CaseTable(true);
constexpr std::array<unsigned char, 256> kUpper = CaseTable(false);

inline unsigned char LowerByte(unsigned char c) { return kLower[c]; }
inline unsigned char UpperByte(unsigned char c) { return kUpper[c]; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

char ToLowerChar(char c) { return static_cast<char>(LowerByte(static_cast<unsigned char>(c))); }
char ToUpperChar(char c) { return static_cast<char>(UpperByte(static_cast<unsigned char>(c))); }

std::string ToLower(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = ToLowerChar(c);
  return result;
}

std::string ToUpper(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = ToUpperChar(c);
  return result;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  // Equal bytes are equal in any case: the long beginnings that key paths and folder paths share
  // are passed eight bytes at a time.
  size_t i = 0;
  while (i + 8 <= n && std::memcmp(a.data() + i, b.data() + i, 8) == 0) i += 8;
  for (; i < n; ++i) {
    if (a[i] == b[i]) continue;
    const unsigned char ca = LowerByte(static_cast<unsigned char>(a[i]));
    const unsigned char cb = LowerByte(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

size_t FindNoCase(std::string_view text, std::string_view what, size_t from) {
  if (what.empty()) return from <= text.size() ? from : std::string_view::npos;
  if (text.size() < what.size()) return std::string_view::npos;
  const unsigned char first = LowerByte(static_cast<unsigned char>(what[0]));
  for (size_t i = from; i + what.size() <= text.size(); ++i) {
    if (LowerByte(static_cast<unsigned char>(text[i])) != first) continue;
    if (EqualsNoCase(text.substr(i, what.size()), what)) return i;
  }
  return std::string_view::npos;
}

std::string TrimLeft(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  return std::string(text.substr(start));
}

std::string TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::string_view TrimView(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  size_t end = text.size();
  while (end > start && IsBlank(text[end - 1])) --end;
  return text.substr(start, end - start);
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

long Atol(const std::string& text) {
  errno = 0;
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > LONG_MAX) return LONG_MAX;
  if (value < LONG_MIN) return LONG_MIN;
  return static_cast<long>(value);
}

double Atof(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

std::string FormatV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  char small[256];
  const int length = std::vsnprintf(small, sizeof small, format, copy);
  va_end(copy);
  if (length < 0) return std::string();
  if (static_cast<size_t>(length) < sizeof small) return std::string(small, length);
  std::vector<char> large(static_cast<size_t>(length) + 1);
  std::vsnprintf(large.data(), large.size(), format, args);
  return std::string(large.data(), length);
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string result = FormatV(format, args);
  va_end(args);
  return result;
}

std::string Excerpt(std::string_view text, size_t maxLength) {
  const std::string_view shown = text.substr(0, std::min(text.size(), maxLength));
  std::string result;
  result.reserve(shown.size() + 32);
  for (const char c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      result += escaped;
    } else {
      result += c;
    }
  }
  if (shown.size() < text.size()) result += Format("... (%zu more characters)", text.size() - shown.size());
  return result;
}

}  // namespace platform
