// Decoding of captured registry values: the first line of a value gives its name and type, and
// every line of it (the first and its continuations) is appended in the type's encoding.
#include <algorithm>
#include <cstdint>

#include "capture/formatted_text.h"
#include "capture/registry_model.h"
#include "capture/registry_text.h"
#include "platform/text.h"
#include "platform/text_file.h"

namespace capture {
namespace {

// The registry types of "hex(n):" data that the Registry table can hold ("hex:" is binary).
constexpr int kHexString = 1;
constexpr int kHexExpandString = 2;
constexpr int kHexBinary = 3;
constexpr int kHexDword = 4;
constexpr int kHexBigEndianDword = 5;
constexpr int kHexMultiString = 7;

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

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The data of a "hex...:" line without its type: bytes of two hex digits, separated by commas;
// a line whose data continues ends with a comma. Appends the fields as written; false when one
// is no byte.
bool AppendHexFields(std::string_view line, std::string* fields) {
  std::string text = platform::Trim(line);
  if (!text.empty() && text.back() == ',') text.pop_back();
  if (text.empty()) return true;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    const std::string field = platform::Trim(std::string_view(text).substr(start, comma - start));
    if (field.size() != 2 || HexDigit(field[0]) < 0 || HexDigit(field[1]) < 0) return false;
    *fields += field;
    if (comma == text.size()) return true;
    start = comma + 1;
  }
}

std::string BytesOfHexDigits(const std::string& digits) {
  std::string bytes;
  bytes.reserve(digits.size() / 2);
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes += static_cast<char>(HexDigit(digits[i]) * 16 + HexDigit(digits[i + 1]));
  return bytes;
}

// UTF-16LE text without zero code units in the capture's code page.
std::string Utf16LeToAnsi(std::string_view piece) {
  platform::DecodedText decoded;
  const std::string withByteOrderMark = "\xFF\xFE" + std::string(piece.substr(0, piece.size() & ~size_t{1}));
  return platform::DecodeTextFile(withByteOrderMark, &decoded) ? decoded.text : std::string();
}

// hex(7) and hex(2) data are strings between zero characters: single bytes in ANSI files,
// UTF-16LE code units in files of the later export format (converted to the code page).
std::string DecodePiece(std::string_view piece, bool utf16) {
  return utf16 ? Utf16LeToAnsi(piece) : std::string(piece);
}

size_t UnitOf(bool utf16) { return utf16 ? 2 : 1; }

bool IsZeroUnit(const std::string& bytes, size_t at, bool utf16) {
  return bytes[at] == '\0' && (!utf16 || bytes[at + 1] == '\0');
}

// hex(1) data: the string up to its terminator.
std::string DecodeHexString(const std::string& bytes, bool utf16) {
  size_t end = 0;
  while (end + UnitOf(utf16) <= bytes.size() && !IsZeroUnit(bytes, end, utf16)) end += UnitOf(utf16);
  return DecodePiece(std::string_view(bytes).substr(0, end), utf16);
}

// The strings of hex(7) and hex(2) data, each followed by the list separator "[~]" but for the
// last (its terminator is dropped).
std::string DecodeHexStrings(const std::string& bytes, bool utf16) {
  const size_t unit = UnitOf(utf16);
  std::string decoded;
  size_t start = 0;
  auto isZero = [&](size_t at) { return IsZeroUnit(bytes, at, utf16); };
  // Each string is taken literally: its brackets and braces are escaped.
  auto flush = [&](size_t end) {
    decoded += EscapeLiteralText(DecodePiece(std::string_view(bytes).substr(start, end - start), utf16));
  };
  size_t at = 0;
  for (; at + unit <= bytes.size(); at += unit) {
    if (!isZero(at)) continue;
    flush(at);
    if (at + unit < bytes.size()) decoded += "[~]";
    start = at + unit;
  }
  flush(at);
  return decoded;
}

// The 32-bit number of a "dword:" value: one to eight hex digits.
bool ParseDword(std::string_view text, uint32_t* value) {
  const std::string digits = platform::Trim(text);
  if (digits.empty() || digits.size() > 8) return false;
  *value = 0;
  for (const char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    *value = (*value << 4) | static_cast<uint32_t>(digit);
  }
  return true;
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
  const std::string_view inner = std::string_view(text).substr(1, text.size() - 2);
  // Most values escape nothing.
  if (inner.find('\\') == std::string_view::npos) return std::string(inner);
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

// The n of a "hex(n):" type, or -1.
int HexTypeOf(const std::string& text) {
  const size_t close = text.find("):");
  if (!text.starts_with("hex(") || close == std::string::npos || close == 4 || close > 12) return -1;
  int type = 0;
  for (size_t i = 4; i < close; ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return -1;
    type = type * 16 + digit;
  }
  return type;
}

RegValue RegValue::Parse(const std::string& line, bool iniMode, bool utf16Strings) {
  RegValue value;
  value.utf16_ = utf16Strings;
  const size_t equals = NameEnd(line);
  value.name_ = UnquoteRegistryText(line.substr(0, equals));
  const std::string raw = StripTrailingBackslashes(
      std::string(platform::TrimView(equals == std::string::npos ? std::string_view() : std::string_view(line).substr(equals + 1))));
  if (!iniMode) {
    // "name"=- removes the value.
    if (raw == "-") {
      value.removal_ = true;
      value.type_ = kString;
      return value;
    }
    if (raw.empty()) value.SetProblem(Problem::kFault, "it has no data");
    else if (raw.front() == '"' && (raw.size() < 2 || raw.back() != '"')) value.SetProblem(Problem::kFault, "its string has no closing quote");
  }
  std::string text = UnquoteRegistryText(raw);
  const int hexType = text.starts_with("hex:") ? kHexBinary : HexTypeOf(text);
  value.hexType_ = hexType;
  switch (hexType) {
    case -1:
      break;
    case kHexString:
      value.type_ = kString;
      break;
    case kHexExpandString:
      value.type_ = kExpandStringHex;
      value.prefix_ = "#%";
      break;
    case kHexBinary:
      value.type_ = kBinary;
      value.prefix_ = "#x";
      break;
    case kHexDword:
    case kHexBigEndianDword:
      value.type_ = kDword;
      value.prefix_ = "#";
      break;
    case kHexMultiString:
      value.type_ = kMultiStringHex;
      break;
    default:
      // hex(0) (no type), hex(b) (64-bit number), resource lists, ...: no Registry table form.
      value.SetProblem(Problem::kUnsupportedType, text.substr(0, text.find(':')));
      break;
  }
  if (hexType < 0) {
    if (text.starts_with("multi_sz(")) {
      value.type_ = kMultiStringList;
      value.continuationPending_ = true;
      value.listMode_ = ListModeOf(text);
    } else if (text.starts_with("dword:")) {
      value.type_ = kDword;
      value.prefix_ = "#";
    } else {
      value.type_ = kString;
      if (text.starts_with("#")) value.prefix_ = "#";
    }
  }
  if (value.type_ != kMultiStringList) value.AppendLine(std::move(text), true);
  return value;
}

void RegValue::AppendLine(std::string line, bool firstLine) {
  if (!firstLine) line = UnquoteRegistryText(StripTrailingBackslashes(std::move(line)));
  if (problem_ != Problem::kNone) return;
  if (hexType_ >= 0) {
    std::string_view fields = line;
    if (firstLine) fields.remove_prefix(line.find(':') + 1);
    if (!AppendHexFields(fields, &data_)) SetProblem(Problem::kFault, "a byte of its data is not two hex digits");
    return;
  }
  switch (type_) {
    case kString:
      data_ += ConvertStringValue(line);
      break;
    case kDword: {
      uint32_t number = 0;
      if (!firstLine || !ParseDword(std::string_view(line).substr(6), &number))
        SetProblem(Problem::kFault, "its double word is not a 32-bit hex number");
      else
        data_ += std::to_string(number);
      break;
    }
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

void RegValue::Finish() {
  if (hexType_ < 0 || problem_ != Problem::kNone) return;
  if (hexType_ == kHexBinary) {
    hexType_ = -1;  // the Registry table keeps the digits
    return;
  }
  const std::string bytes = BytesOfHexDigits(data_);
  switch (hexType_) {
    case kHexString: {
      data_ = ConvertStringValue(DecodeHexString(bytes, utf16_));
      if (data_.starts_with("#")) prefix_ = "#";
      break;
    }
    case kHexExpandString:
    case kHexMultiString:
      data_ = DecodeHexStrings(bytes, utf16_);
      break;
    case kHexDword:
    case kHexBigEndianDword: {
      if (bytes.size() != 4) {
        SetProblem(Problem::kFault, "its double word does not have four bytes");
        return;
      }
      uint32_t number = 0;
      for (int i = 0; i < 4; ++i) {
        const size_t at = hexType_ == kHexDword ? size_t(3 - i) : size_t(i);
        number = (number << 8) | static_cast<unsigned char>(bytes[at]);
      }
      data_ = std::to_string(number);
      break;
    }
    default:
      break;
  }
  hexType_ = -1;  // finished: the data is final
}

void RegValue::SetProblem(Problem problem, std::string text) {
  problem_ = problem;
  problemText_ = std::move(text);
}

}  // namespace capture
