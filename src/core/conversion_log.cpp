// The conversion log: one file opened at the start of a conversion from the registry settings
// "DebugFile" and "DebugRepackager", and the trace lines written into it.
#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "core/messages.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/log_file.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/version.h"

namespace core {

namespace {

constexpr const char* kLogKey = "Software\\Quillmark";
constexpr size_t kTraceBufferSize = 1024;
constexpr size_t kPathBufferSize = 260;

struct ConversionLog {
  platform::LogFile file;
  uint32_t traceMask = 0;
};

ConversionLog& Log() {
  static ConversionLog log;
  return log;
}

bool LevelEnabled(uint32_t level) {
  const uint32_t mask = Log().traceMask;
  return (mask & kTraceGeneral) != 0 || (mask & level) != 0;
}

void WriteHeader() {
  const std::string when = platform::FormatLocalTimeNow("%A, %B %d, %Y   %I:%M:%S%p");
  WriteLogLine(kTraceGeneral,
               platform::Format("%s    Version: %s", when.c_str(), platform::ProgramVersion().c_str()));
}

}  // namespace

void WriteLogLine(uint32_t level, const std::string& line) {
  ConversionLog& log = Log();
  if (!log.file.IsOpen() || !LevelEnabled(level)) return;
  if (level > kTraceGeneral && !log.file.Write("\t")) return;
  // A failed write skips the line end of its line; the conversion never fails for its log.
  // The log is UTF-8, whatever the capture's code page.
  if (log.file.Write(platform::ToUtf8ForDisplay(line))) log.file.Write("\r\n");
}

void LogTrace(uint32_t level, const char* format, ...) {
  if (!Log().file.IsOpen() || !LevelEnabled(level)) return;
  va_list args;
  va_start(args, format);
  std::string line = platform::FormatV(format, args);
  va_end(args);
  if (line.size() > kTraceBufferSize) line.resize(kTraceBufferSize);
  WriteLogLine(level, line);
}

void OpenConversionLog() {
  CloseConversionLog();
  Log().traceMask = 0;
  using platform::RegistryRoot;
  if (!platform::RegistryKeyExists(RegistryRoot::LocalMachine, kLogKey)) return;
  if (auto mask = platform::ReadRegistryString(RegistryRoot::LocalMachine, kLogKey, "DebugRepackager"))
    Log().traceMask = static_cast<uint32_t>(platform::Atol(*mask));
  if (auto file = platform::ReadRegistryString(RegistryRoot::LocalMachine, kLogKey, "DebugFile")) {
    if (file->size() >= kPathBufferSize) file->resize(kPathBufferSize - 1);
    if (Log().file.Create(*file)) {
      WriteHeader();
    } else {
      // A symbolic link is refused too: it could point the log at any file of the user's.
      const std::string reason = errno == ELOOP ? "it is a symbolic link" : std::strerror(errno);
      LogMessage(kWarning, platform::Format("The conversion log %s cannot be written (%s); the run goes on without it.",
                                            file->c_str(), reason.c_str()));
    }
  }
}

void OpenConversionLogAt(const std::string& path, uint32_t traceMask) {
  CloseConversionLog();
  Log().traceMask = traceMask;
  if (Log().file.Create(path)) WriteHeader();
}

void CloseConversionLog() { Log().file.Close(); }

bool IsConversionLogOpen() { return Log().file.IsOpen(); }

uint32_t TraceMask() { return Log().traceMask; }

}  // namespace core
