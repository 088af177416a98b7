#include "short_names.h"

#include <cctype>

namespace qv::engine {

namespace {
bool IsShortNameChar(unsigned char c) {
  if (std::isalnum(c)) return true;
  return std::string_view("$%'-_@~`!(){}^#&").find(static_cast<char>(c)) != std::string_view::npos;
}
}  // namespace

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool IsValidLongName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c < 0x20 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) return false;
  return name.back() != ' ' && name.back() != '.';
}

bool IsValidShortName(std::string_view name) {
  size_t dot = name.find('.');
  std::string_view base = name.substr(0, dot);
  std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::string_view::npos && ext.empty()) return false;
  for (unsigned char c : base)
    if (!IsShortNameChar(c)) return false;
  for (unsigned char c : ext)
    if (!IsShortNameChar(c)) return false;
  return true;
}

namespace {
// Base and extension of a generated short name: the extension follows the last dot; characters
// short names do not allow are dropped or replaced, as the file systems do.
void ShortNameParts(std::string_view longName, std::string* base, std::string* ext) {
  size_t dot = longName.rfind('.');
  std::string_view baseText = dot == std::string_view::npos || dot == 0 ? longName : longName.substr(0, dot);
  std::string_view extText = dot == std::string_view::npos || dot == 0 ? std::string_view() : longName.substr(dot + 1);
  auto clean = [](std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
      if (c == ' ' || c == '.') continue;
      if (c >= 0x80 || std::string_view("+,;=[]").find(static_cast<char>(c)) != std::string_view::npos) out += '_';
      else if (IsShortNameChar(c)) out += static_cast<char>(std::toupper(c));
    }
    return out;
  };
  *base = clean(baseText);
  *ext = clean(extText).substr(0, 3);
  if (base->empty()) *base = "_";
}
}  // namespace

std::string ShortNameStem(std::string_view longName) {
  std::string base, ext;
  ShortNameParts(longName, &base, &ext);
  return base.substr(0, 6) + "." + ext;
}

std::string MakeShortName(std::string_view longName, const std::function<bool(const std::string&)>& taken,
                          int* firstNumber) {
  if (IsValidShortName(longName) && !taken(AsciiUpper(longName))) return std::string(longName);
  std::string base, ext;
  ShortNameParts(longName, &base, &ext);
  for (int n = firstNumber && *firstNumber > 1 ? *firstNumber : 1; n < 10000000; ++n) {
    std::string tail = "~" + std::to_string(n);
    std::string candidate = base.substr(0, 8 - tail.size()) + tail;
    if (!ext.empty()) candidate += "." + ext;
    if (!taken(candidate)) {
      if (firstNumber) *firstNumber = n + 1;
      return candidate;
    }
  }
  return base.substr(0, 8);  // not reached: ten million siblings of one stem
}

std::string ShortLongName(const std::string& shortName, const std::string& longName) {
  return shortName == longName ? longName : shortName + "|" + longName;
}

void SplitShortLong(std::string_view value, std::string* shortName, std::string* longName) {
  // DefaultDir may be "target:source"; only the target matters here.
  size_t colon = value.find(':');
  if (colon != std::string_view::npos) value = value.substr(0, colon);
  size_t bar = value.find('|');
  if (bar == std::string_view::npos) {
    *shortName = std::string(value);
    *longName = std::string(value);
  } else {
    *shortName = std::string(value.substr(0, bar));
    *longName = std::string(value.substr(bar + 1));
  }
}

}  // namespace qv::engine
