// Decoding of captured registry values: the first line of a value gives its name and type, and
// every line of it (the first and its continuations) is appended in the type's encoding.
#include <cstdint>

#include "capture/formatted_text.h"
#include "capture/registry_model.h"
#include "capture/registry_text.h"
#include "platform/text.h"

namespace capture {
namespace {

// The list modes of the multi-string list notation, by keyword.
int ListModeOf(const std::string& valueText) {
  const size_t open = valueText.find('(');
  if (open == std::string::npos) return 6;
  const size_t comma = valueText.find(',', open + 1);
  if (comma == std::string::npos) return 6;
  const std::string keyword = platform::ToLower(platform::Trim(valueText.substr(open + 1, comma - open - 1)));
  if (keyword == "iab") return 0;
  if (keyword == "iap") return 1;
  if (keyword == "ira") return 2;
  if (keyword == "ia") return 3;
  if (keyword == "sa") return 4;
  if (keyword == "a") return 5;
  if (keyword == "d") return 7;
  return 6;
}

// Leading hexadecimal digits, kept to 32 bits.
uint32_t ParseHex(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else break;
    value = (value << 4) | digit;
  }
  return value;
}

// hex(7) and hex(2) data: one character per byte, taken literally (brackets and braces escaped,
// a double-byte character whole), a zero byte as the list separator "[~]"; a zero byte in the
// last field of the line (the string's terminator) is dropped.
std::string DecodeHexString(const std::string& line) {
  const size_t colon = line.find(':');
  const std::string_view bytes =
      colon == std::string::npos ? std::string_view(line) : std::string_view(line).substr(colon + 1);
  std::string decoded, piece;
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t comma = bytes.find(',', start);
    const bool last = comma == std::string_view::npos;
    if (last) comma = bytes.size();
    const std::string field = platform::Trim(bytes.substr(start, comma - start));
    if (!field.empty()) {
      const char byte = static_cast<char>(ParseHex(field) & 0xFF);
      if (byte != '\0') {
        piece += byte;
      } else {
        decoded += EscapeLiteralText(piece);
        piece.clear();
        if (!last) decoded += "[~]";
      }
    }
    start = comma + 1;
  }
  return decoded + EscapeLiteralText(piece);
}

std::string DecodeBinary(std::string line, bool firstLine) {
  if (firstLine) line.erase(0, 4);  // "hex:"
  line = platform::TrimRight(line);
  if (!line.empty() && line.back() == ',') line.pop_back();
  std::string digits;
  digits.reserve(line.size());
  for (const char c : line)
    if (c != ',') digits += c;
  return digits;
}

std::string StripTrailingBackslashes(std::string text) {
  while (!text.empty() && text.back() == '\\') text.pop_back();
  return text;
}

// Where the name of a value line ends: the '=' after a quoted name (whose quotes may hold '='
// and escaped quotes), else the first '='.
size_t NameEnd(const std::string& line) {
  if (!line.empty() && line.front() == '"') {
    for (size_t i = 1; i < line.size(); ++i) {
      if (line[i] == '\\') {
        ++i;
      } else if (line[i] == '"') {
        if (i + 1 < line.size() && line[i + 1] == '=') return i + 1;
        break;
      }
    }
  }
  return line.find('=');
}

}  // namespace

std::string UnquoteRegistryText(const std::string& text) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return text;
  const std::string inner = text.substr(1, text.size() - 2);
  std::string single;
  single.reserve(inner.size());
  for (size_t i = 0; i < inner.size(); ++i) {
    single += inner[i];
    if (inner[i] == '\\' && i + 1 < inner.size() && inner[i + 1] == '\\') ++i;
  }
  std::string result;
  result.reserve(single.size());
  for (size_t i = 0; i < single.size(); ++i) {
    if (single[i] == '\\' && i + 1 < single.size() && single[i + 1] == '"') continue;
    result += single[i];
  }
  return result;
}

RegValue RegValue::Parse(const std::string& line) {
  RegValue value;
  const size_t equals = NameEnd(line);
  value.name_ = UnquoteRegistryText(line.substr(0, equals));
  const std::string text =
      UnquoteRegistryText(StripTrailingBackslashes(equals == std::string::npos ? std::string()
                                                                               : line.substr(equals + 1)));
  if (text.starts_with("hex(2):")) {
    value.type_ = kExpandStringHex;
    value.prefix_ = "#%";
  } else if (text.starts_with("hex(7):")) {
    value.type_ = kMultiStringHex;
  } else if (text.starts_with("multi_sz(")) {
    value.type_ = kMultiStringList;
    value.continuationPending_ = true;
    value.listMode_ = ListModeOf(text);
  } else if (text.starts_with("hex:")) {
    value.type_ = kBinary;
    value.prefix_ = "#x";
  } else if (text.starts_with("dword:")) {
    value.type_ = kDword;
    value.prefix_ = "#";
  } else {
    value.type_ = kString;
    if (text.starts_with("#")) value.prefix_ = "#";
  }
  if (value.type_ != kMultiStringList) value.AppendLine(text, true);
  return value;
}

void RegValue::AppendLine(std::string line, bool firstLine) {
  if (!firstLine) line = UnquoteRegistryText(StripTrailingBackslashes(std::move(line)));
  switch (type_) {
    case kString:
      data_ += ConvertStringValue(line);
      break;
    case kDword:
      data_ += std::to_string(ParseHex(line.size() > 6 ? std::string_view(line).substr(6) : ""));
      break;
    case kBinary:
      data_ += DecodeBinary(std::move(line), firstLine);
      break;
    case kMultiStringHex:
    case kExpandStringHex:
      data_ += DecodeHexString(line);
      break;
    case kMultiStringList:
      if (line.empty() || line.back() != '.') {
        data_ += ConvertStringValue(line) + "[~]";
        break;
      }
      line.pop_back();
      data_ += ConvertStringValue(UnquoteRegistryText(line));
      continuationPending_ = false;
      if (listMode_ == 0) data_ += "[~]";
      else if (listMode_ == 6) data_ = "[~]" + data_ + "[~]";
      else data_ = "[~]" + data_;
      break;
    default:
      break;
  }
}

}  // namespace capture
