#include "platform/codepage.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

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
// conversion runs on one thread); closed at exit.
class Converters {
 public:
  ~Converters() {
    for (auto& [name, handle] : handles_)
      if (handle != reinterpret_cast<iconv_t>(-1)) iconv_close(handle);
  }
  iconv_t Get(const char* to, const char* from) {
    const std::string name = std::string(from) + ">" + to;
    auto found = handles_.find(name);
    if (found != handles_.end()) return found->second;
    return handles_.emplace(name, iconv_open(to, from)).first->second;
  }

 private:
  std::map<std::string, iconv_t> handles_;
};

iconv_t Converter(const char* to, const char* from) {
  static Converters converters;
  return converters.Get(to, from);
}

// The encoding of the user's terminal, from the locale settings (LC_ALL, LC_CTYPE, LANG). The
// plain C locale says ASCII, which no terminal of today is limited to: UTF-8 then.
std::string DecideConsoleEncoding() {
  std::string codeset = "UTF-8";
  if (locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0))) {
    const char* name = nl_langinfo_l(CODESET, locale);
    if (name && *name && std::string(name) != "ANSI_X3.4-1968") codeset = name;
    freelocale(locale);
  }
  return codeset;
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

// Length of the well-formed UTF-8 sequence of two to four bytes that starts at text[i]; 0 when
// none does.
size_t ValidUtf8SequenceAt(const std::string& text, size_t i) {
  auto byte = [&text](size_t at) { return at < text.size() ? static_cast<unsigned char>(text[at]) : 0u; };
  auto continuation = [&byte](size_t at, unsigned low = 0x80, unsigned high = 0xBF) {
    return byte(at) >= low && byte(at) <= high;
  };
  const unsigned lead = byte(i);
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(i + 1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    const unsigned low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    return continuation(i + 1, low, high) && continuation(i + 2) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    const unsigned low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    return continuation(i + 1, low, high) && continuation(i + 2) && continuation(i + 3) ? 4 : 0;
  }
  return 0;
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

size_t FindLastOfCharacters(std::string_view text, std::string_view characters) {
  if (!IsDoubleByte()) return text.find_last_of(characters);
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < text.size(); i += CharacterLength(text, i))
    if (characters.find(text[i]) != std::string_view::npos) last = i;
  return last;
}

std::string ToUtf8ForDisplay(const std::string& text) {
  if (IsAscii(text)) return text;
  std::string utf8, ansi;
  auto flushAnsi = [&] {
    if (!ansi.empty()) utf8 += AnsiToUtf8(ansi);
    ansi.clear();
  };
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : ValidUtf8SequenceAt(text, i);
    if (length == 0) {
      ansi += text[i++];
      continue;
    }
    flushAnsi();
    utf8.append(text, i, length);
    i += length;
  }
  flushAnsi();
  return utf8;
}

std::string ToConsole(const std::string& text) {
  static const std::string console = DecideConsoleEncoding();
  if (IsAscii(text)) return text;
  const std::string utf8 = ToUtf8ForDisplay(text);
  if (console == "UTF-8" || console == "utf8") return utf8;
  iconv_t handle = Converter(console.c_str(), "UTF-8");
  if (handle == reinterpret_cast<iconv_t>(-1)) return utf8;
  return Convert(handle, utf8, "?", [&utf8](size_t position) {
    const size_t length = ValidUtf8SequenceAt(utf8, position);
    return length == 0 ? size_t{1} : length;
  });
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
