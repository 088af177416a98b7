#include "platform/text_file.h"

#include <sys/stat.h>

#include <cstdint>

#include "platform/codepage.h"

namespace platform {

namespace {

void AppendUtf8(uint32_t code, std::string* out) {
  if (code < 0x80) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (code >> 18));
    *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool Utf16ToUtf8(const std::string& bytes, size_t start, bool bigEndian, std::string* utf8) {
  if ((bytes.size() - start) % 2 != 0) return false;
  auto unit = [&](size_t i) -> uint32_t {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  for (size_t i = start; i < bytes.size(); i += 2) {
    uint32_t code = unit(i);
    if (code == 0) return false;
    if (code >= 0xD800 && code <= 0xDBFF && i + 3 < bytes.size()) {
      const uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    AppendUtf8(code, utf8);
  }
  return true;
}

// Decodes one UTF-8 character at position i (advancing i); U+FFFD for a broken sequence.
uint32_t NextCodePoint(const std::string& text, size_t* i) {
  const auto lead = static_cast<unsigned char>(text[*i]);
  size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || *i + length > text.size()) {
    ++*i;
    return 0xFFFD;
  }
  uint32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
  for (size_t k = 1; k < length; ++k) code = code << 6 | (static_cast<unsigned char>(text[*i + k]) & 0x3F);
  *i += length;
  return code;
}

std::string Utf8ToUtf16(const std::string& utf8, bool bigEndian) {
  std::string out;
  auto put = [&](uint32_t unit) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    if (bigEndian) {
      out += high;
      out += low;
    } else {
      out += low;
      out += high;
    }
  };
  for (size_t i = 0; i < utf8.size();) {
    const uint32_t code = NextCodePoint(utf8, &i);
    if (code >= 0x10000) {
      put(0xD800 + ((code - 0x10000) >> 10));
      put(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      put(code);
    }
  }
  return out;
}

}  // namespace

bool DecodeTextFile(const std::string& bytes, DecodedText* decoded) {
  auto starts = [&bytes](const char* bom, size_t length) {
    return bytes.size() >= length && bytes.compare(0, length, bom, length) == 0;
  };
  std::string utf8;
  if (starts("\xFF\xFE", 2) || starts("\xFE\xFF", 2)) {
    const bool bigEndian = bytes[0] == '\xFE';
    if (!Utf16ToUtf8(bytes, 2, bigEndian, &utf8)) return false;
    decoded->encoding = bigEndian ? TextEncoding::kUtf16Be : TextEncoding::kUtf16Le;
    decoded->text = Utf8ToAnsi(utf8);
    return true;
  }
  if (bytes.find('\0') != std::string::npos) return false;
  if (starts("\xEF\xBB\xBF", 3)) {
    decoded->encoding = TextEncoding::kUtf8Bom;
    decoded->text = Utf8ToAnsi(bytes.substr(3));
    return true;
  }
  decoded->encoding = TextEncoding::kAnsi;
  decoded->text = bytes;
  return true;
}

std::string EncodeTextFile(TextEncoding encoding, const std::string& text) {
  switch (encoding) {
    case TextEncoding::kAnsi: return text;
    case TextEncoding::kUtf8Bom: return "\xEF\xBB\xBF" + AnsiToUtf8(text);
    case TextEncoding::kUtf16Le: return "\xFF\xFE" + Utf8ToUtf16(AnsiToUtf8(text), false);
    case TextEncoding::kUtf16Be: return "\xFE\xFF" + Utf8ToUtf16(AnsiToUtf8(text), true);
  }
  return text;
}

bool FileIdentity::operator==(const FileIdentity& other) const {
  return device == other.device && inode == other.inode && size == other.size &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
         changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

bool IdentifyFile(const std::string& hostPath, FileIdentity* identity) {
  struct stat info;
  if (hostPath.empty() || ::stat(hostPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return false;
  identity->device = info.st_dev;
  identity->inode = info.st_ino;
  identity->size = info.st_size;
  identity->modified = info.st_mtim;
  identity->changed = info.st_ctim;
  return true;
}

}  // namespace platform
