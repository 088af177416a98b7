#include "code_page.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace qv::engine {

namespace {

bool IsAscii(std::string_view text) {
  for (unsigned char ch : text)
    if (ch >= 0x80) return false;
  return true;
}

void* OpenConverter(const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  return cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd;
}

}  // namespace

CodePageEncoder::CodePageEncoder(int codePage) : codePage_(codePage) {
  if (codePage == 0 || codePage == 65001) {  // neutral (ASCII) and UTF-8 need no converter
    valid_ = true;
    return;
  }
  converter_ = OpenConverter(("CP" + std::to_string(codePage)).c_str(), "UTF-8");
  valid_ = converter_ != nullptr;
}

CodePageEncoder::~CodePageEncoder() {
  if (converter_) iconv_close(static_cast<iconv_t>(converter_));
}

bool CodePageEncoder::CanEncode(std::string_view utf8) {
  std::string ignored;
  return Encode(utf8, &ignored);
}

bool CodePageEncoder::Encode(std::string_view utf8, std::string* out) {
  if (IsAscii(utf8) || codePage_ == 65001) {
    out->assign(utf8);
    return true;
  }
  if (!converter_) return false;
  iconv_t cd = static_cast<iconv_t>(converter_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out->resize(utf8.size() * 4 + 16);
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* outPtr = out->data();
  size_t outLeft = out->size();
  size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  if (result == static_cast<size_t>(-1) || inLeft != 0) return false;
  // Finish a stateful encoding (shift sequences).
  if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
  out->resize(out->size() - outLeft);
  return true;
}

CodePageDecoder::CodePageDecoder(int codePage) {
  if (codePage == 65001) {
    utf8_ = true;
    return;
  }
  if (codePage == 0) codePage = 1252;
  converter_ = OpenConverter("UTF-8", ("CP" + std::to_string(codePage)).c_str());
  valid_ = converter_ != nullptr;
}

CodePageDecoder::~CodePageDecoder() {
  if (converter_) iconv_close(static_cast<iconv_t>(converter_));
}

std::string CodePageDecoder::Decode(std::string_view bytes) {
  if (utf8_ || IsAscii(bytes) || !converter_) return std::string(bytes);
  iconv_t cd = static_cast<iconv_t>(converter_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out(bytes.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1)) break;
    if (errno == E2BIG || outLeft < 2) break;  // cannot happen: four bytes out per byte in
    // An undefined or cut-off byte: the character of its number.
    auto byte = static_cast<unsigned char>(*in);
    *outPtr++ = static_cast<char>(0xC0 | (byte >> 6));
    *outPtr++ = static_cast<char>(0x80 | (byte & 0x3F));
    outLeft -= 2;
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(out.size() - outLeft);
  return out;
}

bool LooksLikeUtf8(std::string_view bytes) {
  bool beyondAscii = false;
  for (size_t i = 0; i < bytes.size();) {
    auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    size_t length = (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || (b & 0xFE) == 0xC0 || i + length > bytes.size()) return false;
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    beyondAscii = true;
    i += length;
  }
  return beyondAscii;
}

}  // namespace qv::engine
