// Lines of a captured text file. Captures are single-byte ANSI text: the bytes are handed on as
// they are, never converted, but for a file that begins with the UTF-8 byte-order mark, which is
// converted to the capture's code page (with a warning for characters it lacks). A line ends at "\r\n", "\n" or a lone "\r"; a line is read whole,
// whatever its length. Text that is not ANSI (UTF-16 with its byte-order mark, or any NUL byte)
// is rejected with an error that names the file and the line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace capture {

class TextLines {
 public:
  // contents: the whole file; fileName: how messages name the file.
  TextLines(std::string contents, std::string fileName);

  // The next line without its line break; false at the end of the text. Throws
  // repackager_exception for a line that holds a NUL byte.
  bool Next(std::string_view& line);
  // 1-based number of the line that Next returned last.
  size_t LineNumber() const { return lineNumber_; }

 private:
  std::string contents_;
  std::string fileName_;
  size_t position_ = 0;
  size_t lineNumber_ = 0;
};

// Reads the whole file for TextLines. Throws repackager_exception with "Can't open file '%s'"
// (also written to the conversion log) when it cannot be read.
std::string ReadCapturedFile(const std::string& path);

}  // namespace capture
