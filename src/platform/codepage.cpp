#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace platform {

namespace {

constexpr int kDefaultCodePage = 1252;

std::string IconvName(int codePage) { return "CP" + std::to_string(codePage); }

bool IsKnownCodePage(int codePage) {
  iconv_t probe = iconv_open("UTF-8", IconvName(codePage).c_str());
  if (probe == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(probe);
  return true;
}

int DecideCodePage() {
  const char* setting = std::getenv("FERNCLIP_CODEPAGE");
  if (!setting || !*setting) return kDefaultCodePage;
  char* end = nullptr;
  const long value = std::strtol(setting, &end, 10);
  if (end != setting && *end == '\0' && value > 0 && value < 65536 &&
      IsKnownCodePage(static_cast<int>(value))) {
    return static_cast<int>(value);
  }
  std::fprintf(stderr, "Warning: FERNCLIP_CODEPAGE='%s' is not a known code page; using %d.\n",
               setting, kDefaultCodePage);
  return kDefaultCodePage;
}

// One converter per direction, opened on first use and kept (opening is costly and the
// conversion runs on one thread).
iconv_t Converter(const char* to, const char* from) {
  static std::map<std::string, iconv_t> converters;
  const std::string name = std::string(from) + ">" + to;
  auto found = converters.find(name);
  if (found != converters.end()) return found->second;
  iconv_t handle = iconv_open(to, from);
  converters.emplace(name, handle);
  return handle;
}

// Length of the UTF-8 sequence that starts with lead (1 for a stray byte).
size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  return 1;
}

// Converts input with handle; at a sequence that the target cannot hold (or that is not valid
// in the source), appends replacement and skips skipLength(position) bytes.
template <class SkipLength>
std::string Convert(iconv_t handle, const std::string& input, const std::string& replacement,
                    SkipLength skipLength) {
  std::string output;
  if (handle == reinterpret_cast<iconv_t>(-1)) return input;
  iconv(handle, nullptr, nullptr, nullptr, nullptr);
  output.reserve(input.size() * 2);
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    const size_t result = iconv(handle, &in, &inLeft, &out, &outLeft);
    output.append(buffer, out - buffer);
    if (result != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (a sequence cut off at the end): replace and go on.
    const size_t position = input.size() - inLeft;
    size_t skip = skipLength(position);
    if (skip == 0) skip = 1;
    if (skip > inLeft) skip = inLeft;
    output += replacement;
    in += skip;
    inLeft -= skip;
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
  }
  char* out = buffer;
  size_t outLeft = sizeof buffer;
  iconv(handle, nullptr, nullptr, &out, &outLeft);
  output.append(buffer, out - buffer);
  return output;
}

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

// Lead bytes of the double-byte code pages; none for single-byte code pages.
bool IsLeadByteOf(int codePage, unsigned char c) {
  switch (codePage) {
    case 932:
      return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949:
    case 950:
      return c >= 0x81 && c <= 0xFE;
    default:
      return false;
  }
}

int ActiveCodePage() {
  static const int codePage = DecideCodePage();
  return codePage;
}

std::string AnsiToUtf8(const std::string& ansi) {
  if (IsAscii(ansi)) return ansi;
  const std::string source = IconvName(ActiveCodePage());
  return Convert(Converter("UTF-8", source.c_str()), ansi, "\xEF\xBF\xBD",
                 [](size_t) { return size_t{1}; });
}

bool IsConvertible(const std::string& ansi) {
  if (IsAscii(ansi)) return true;
  iconv_t handle = Converter("UTF-8", IconvName(ActiveCodePage()).c_str());
  if (handle == reinterpret_cast<iconv_t>(-1)) return false;
  bool convertible = true;
  Convert(handle, ansi, "", [&convertible](size_t) {
    convertible = false;
    return size_t{1};
  });
  return convertible;
}

bool IsLeadByte(unsigned char c) { return IsLeadByteOf(ActiveCodePage(), c); }

size_t CharacterLength(std::string_view text, size_t position) {
  return position + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[position])) ? 2 : 1;
}

static bool IsDoubleByte() {
  static const bool doubleByte = IsLeadByteOf(ActiveCodePage(), 0x81);
  return doubleByte;
}

size_t FindCharacter(std::string_view text, char c, size_t from) {
  if (!IsDoubleByte()) return text.find(c, from);
  for (size_t i = from; i < text.size(); i += CharacterLength(text, i))
    if (text[i] == c) return i;
  return std::string_view::npos;
}

size_t FindLastCharacter(std::string_view text, char c) {
  if (!IsDoubleByte()) return text.rfind(c);
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < text.size(); i += CharacterLength(text, i))
    if (text[i] == c) last = i;
  return last;
}

std::string Utf8ToAnsi(const std::string& utf8) {
  if (IsAscii(utf8)) return utf8;
  const std::string target = IconvName(ActiveCodePage());
  // Skip one character: its lead byte and the continuation bytes that really follow it.
  return Convert(Converter(target.c_str(), "UTF-8"), utf8, "?", [&utf8](size_t position) {
    const size_t length = Utf8SequenceLength(static_cast<unsigned char>(utf8[position]));
    size_t skip = 1;
    while (skip < length && position + skip < utf8.size() &&
           (static_cast<unsigned char>(utf8[position + skip]) & 0xC0) == 0x80) {
      ++skip;
    }
    return skip;
  });
}

}  // namespace platform
