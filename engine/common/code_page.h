// Text of a database in its code page: whether and how UTF-8 text is stored in it, and how
// stored text reads back as UTF-8.
#pragma once

#include <string>
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
  // The text in the code page; false when some character has no place in it (code page 0,
  // neutral, holds ASCII only).
  bool Encode(std::string_view utf8, std::string* out);

 private:
  int codePage_;
  void* converter_ = nullptr;  // iconv_t
  bool valid_ = false;
};

class CodePageDecoder {
 public:
  // Code page 0 (neutral) reads as 1252, as on the systems that write such files.
  explicit CodePageDecoder(int codePage);
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;

  bool Valid() const { return valid_ || utf8_; }
  // UTF-8 text; a byte that the code page does not define stands for the character of the
  // same number (U+0080..U+00FF), as Windows reads it.
  std::string Decode(std::string_view bytes);

 private:
  void* converter_ = nullptr;  // iconv_t
  bool valid_ = false;
  bool utf8_ = false;
};

// Whether bytes are well-formed UTF-8 with at least one character beyond ASCII.
bool LooksLikeUtf8(std::string_view bytes);

}  // namespace qv::engine
