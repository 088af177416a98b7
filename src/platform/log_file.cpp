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
  // Never through a symbolic link (it could point the log at any file of the user's), and
  // without waiting for a reader when the path is a FIFO.
  fd_ = ::open(ResolveHostPath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd_ < 0) return false;
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
  return true;
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
