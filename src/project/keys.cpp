// Table keys: valid identifiers made from free text, and keys unique within a key space.
#include "project/keys.h"

#include <algorithm>
#include <map>

#include "platform/codepage.h"
#include "platform/text.h"

namespace project {

namespace {

// The longest key the conversion makes: the installer's key columns hold 72 characters.
constexpr size_t kMaxIdentifier = 71;

// Only ASCII letters: the installer's Identifier type allows no other letters, and a key with
// one would fail validation of the package.
bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsIdentifierChar(unsigned char c) {
  return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '_' || c == '.';
}

// Shift-JIS is the one code page with a multibyte symbol class.
bool IsShiftJisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsShiftJisSymbol(unsigned char lead, unsigned char trail) {
  return lead == 0x81 && trail >= 0x41 && trail <= 0xAC && trail != 0x7F;
}

// The register of used keys: key text (case-sensitive) to the bits of the spaces that hold it.
std::map<std::string, uint32_t>& UsedKeys() {
  static std::map<std::string, uint32_t> keys;
  return keys;
}

// For each key space and base name, the number after the last one handed out. Keys are never
// released during a conversion, so every number below it is still taken, and numbering a base
// that is used thousands of times costs no more than numbering it once.
using NumberingKey = std::pair<uint32_t, std::string>;
std::map<NumberingKey, long>& NextNumbers() {
  static std::map<NumberingKey, long> numbers;
  return numbers;
}

bool EndsWithDigit(const std::string& text) {
  return !text.empty() && IsAsciiDigit(static_cast<unsigned char>(text.back()));
}

// base followed by suffix and extension, the base shortened so that the whole stays a valid
// key length and the suffix (a number) and the extension survive.
std::string Compose(const std::string& base, const std::string& suffix, const std::string& extension) {
  size_t room = kMaxIdentifier > suffix.size() + extension.size()
                    ? kMaxIdentifier - suffix.size() - extension.size()
                    : 1;
  return base.substr(0, room) + suffix + extension;
}

}  // namespace

void MakeIdentifier(std::string& text, IdentifierLimit limit) {
  if (text.empty()) return;
  for (char& c : text)
    if (static_cast<unsigned char>(c) == 0xA0) c = ' ';

  unsigned char first = static_cast<unsigned char>(text[0]);
  if (!IsAsciiLetter(first) && first != '_') text.insert(text.begin(), '_');

  const bool shiftJis = platform::ActiveCodePage() == 932;
  std::string kept(1, text[0]);
  for (size_t i = 1; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (shiftJis && IsShiftJisLeadByte(c) && i + 1 < text.size()) {
      if (IsShiftJisSymbol(c, static_cast<unsigned char>(text[i + 1]))) {
        text = "key";
        return;
      }
      ++i;  // a double-byte character is no identifier character: both bytes go
      continue;
    }
    if (IsIdentifierChar(c)) kept += static_cast<char>(c);
  }
  text = kept;

  if (text.size() > kMaxIdentifier) text.resize(kMaxIdentifier);
  switch (limit) {
    case IdentifierLimit::kGeneral:
      break;
    case IdentifierLimit::kFeature:
      if (text.size() > kMaxFeatureKeyLength) text.resize(kMaxFeatureKeyLength);
      break;
    case IdentifierLimit::kNumberedFeature:
      // Keep the end, so that the feature's trailing number survives.
      if (text.size() > kMaxFeatureKeyLength) text = text.substr(0, 31) + text.substr(text.size() - 7);
      break;
  }
}

std::string MakeUniqueKey(uint32_t kind, const std::string& name, int number, bool appendOne) {
  std::string base = name;
  std::string extension;
  if (kind & kIconKeys) {
    size_t dot = base.rfind('.');
    if (dot != std::string::npos) {
      // The extension keeps only the characters a key may hold.
      for (char c : base.substr(dot))
        if (IsIdentifierChar(static_cast<unsigned char>(c))) extension += c;
      base.erase(dot);
    }
  }
  MakeIdentifier(base);
  if (appendOne && !base.empty() && !EndsWithDigit(base)) base = Compose(base, "1", "");

  std::string key = Compose(base, "", extension);
  if (IsKeyUsed(kind, key)) {
    // Numbered from 1, or from the given number; should that be taken as well, the numbers
    // after it.
    long& resume = NextNumbers()[{kind, base + '\0' + extension + '\0' + std::to_string(number)}];
    long n = std::max<long>(resume, number != 0 ? number : 1);
    while (IsKeyUsed(kind, key = Compose(base, std::to_string(n), extension))) ++n;
    resume = n + 1;
  }
  MarkKeyUsed(kind, key);
  return key;
}

void MarkKeyUsed(uint32_t bits, const std::string& key) { UsedKeys()[key] |= bits; }

bool IsKeyUsed(uint32_t bits, const std::string& key) {
  auto found = UsedKeys().find(key);
  return found != UsedKeys().end() && (found->second & bits) == bits;
}

void ClearUsedKeys() {
  UsedKeys().clear();
  NextNumbers().clear();
}

std::string RunningKey::Next() { return prefix_ + std::to_string(next_++); }

}  // namespace project
