#include "platform/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/host_paths.h"

namespace platform {

LogFile::~LogFile() { Close(); }

bool LogFile::Create(const std::string& path) {
  Close();
  if (path.empty()) return false;
  fd_ = ::open(ResolveHostPath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return fd_ >= 0;
}

bool LogFile::Write(const std::string& bytes) {
  if (fd_ < 0) return false;
  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd_, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

void LogFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace platform
