#include "msi_stream_name.h"

namespace qv::engine {

namespace {

constexpr char16_t kTableMarker = 0x4840;
constexpr char16_t kPairBase = 0x3800;
constexpr char16_t kSingleBase = 0x4800;

// The 64 characters that the name packing knows, or -1.
int PackedIndex(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
  if (c >= u'a' && c <= u'z') return c - u'a' + 36;
  if (c == u'.') return 62;
  if (c == u'_') return 63;
  return -1;
}

char16_t PackedChar(int index) {
  static const char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";
  return static_cast<char16_t>(kAlphabet[index & 63]);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::u16string EncodeStreamName(std::string_view utf8Name, bool isTable) {
  std::u16string name = Utf8ToUtf16(utf8Name);
  std::u16string out;
  if (isTable) out += kTableMarker;
  for (size_t i = 0; i < name.size(); ++i) {
    int first = PackedIndex(name[i]);
    if (first < 0) {
      out += name[i];
      continue;
    }
    int second = i + 1 < name.size() ? PackedIndex(name[i + 1]) : -1;
    if (second < 0) {
      out += static_cast<char16_t>(kSingleBase + first);
    } else {
      out += static_cast<char16_t>(kPairBase + first + (second << 6));
      ++i;
    }
  }
  return out;
}

std::string DecodeStreamName(std::u16string_view name, bool* isTable) {
  *isTable = !name.empty() && name[0] == kTableMarker;
  if (*isTable) name.remove_prefix(1);
  std::u16string plain;
  for (char16_t c : name) {
    if (c >= kPairBase && c < kSingleBase) {
      plain += PackedChar((c - kPairBase) & 63);
      plain += PackedChar((c - kPairBase) >> 6);
    } else if (c >= kSingleBase && c < kTableMarker) {
      plain += PackedChar(c - kSingleBase);
    } else {
      plain += c;
    }
  }
  return Utf16ToUtf8(plain);
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    auto b = static_cast<unsigned char>(text[i]);
    char32_t c = 0xFFFD;
    size_t length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    bool ok = length > 0 && i + length <= text.size();
    if (ok) {
      c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
      for (size_t k = 1; k < length; ++k) {
        auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) ok = false;
        c = (c << 6) | (next & 0x3F);
      }
    }
    if (!ok || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      c = 0xFFFD;
      length = 1;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += length;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace qv::engine
