#include "code_page.h"

#include <iconv.h>

#include <string>
#include <vector>

namespace qv::engine {

CodePageEncoder::CodePageEncoder(int codePage) : codePage_(codePage) {
  if (codePage == 0 || codePage == 65001) {  // neutral (ASCII) and UTF-8 need no converter
    valid_ = true;
    return;
  }
  std::string name = "CP" + std::to_string(codePage);
  iconv_t cd = iconv_open(name.c_str(), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return;
  converter_ = cd;
  valid_ = true;
}

CodePageEncoder::~CodePageEncoder() {
  if (converter_) iconv_close(static_cast<iconv_t>(converter_));
}

bool CodePageEncoder::CanEncode(std::string_view utf8) {
  bool ascii = true;
  for (unsigned char ch : utf8)
    if (ch >= 0x80) {
      ascii = false;
      break;
    }
  if (ascii) return true;
  if (codePage_ == 65001) return true;
  if (!converter_) return false;
  iconv_t cd = static_cast<iconv_t>(converter_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::vector<char> out(utf8.size() * 4 + 16);
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  return iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && inLeft == 0;
}

}  // namespace qv::engine
