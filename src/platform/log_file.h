// A text file that is written line by line while others may read it: each write goes straight
// to the file (no buffering of its own), so the file is complete up to the last line even when
// the program stops abruptly.
#pragma once

#include <string>

namespace platform {

class LogFile {
 public:
  LogFile() = default;
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Creates the file, replacing an existing one; hidden where the platform has such a mark.
  // False for a path that is a symbolic link.
  bool Create(const std::string& path);
  bool IsOpen() const { return fd_ >= 0; }
  // Writes all bytes; false when the write fails.
  bool Write(const std::string& bytes);
  void Close();

 private:
  int fd_ = -1;
};

}  // namespace platform
