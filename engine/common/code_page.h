// Whether UTF-8 text can be stored in a database of a given code page.
#pragma once

#include <string_view>

namespace qv::engine {

class CodePageEncoder {
 public:
  explicit CodePageEncoder(int codePage);
  ~CodePageEncoder();
  CodePageEncoder(const CodePageEncoder&) = delete;
  CodePageEncoder& operator=(const CodePageEncoder&) = delete;

  // False when the code page is unknown to the system.
  bool Valid() const { return valid_; }
  bool CanEncode(std::string_view utf8);

 private:
  int codePage_;
  void* converter_ = nullptr;  // iconv_t
  bool valid_ = false;
};

}  // namespace qv::engine
