// Message records, the message callback and the conversion log.
//
// Every message the conversion tells the user is a MessageRecord handed to LogMessage, which
// writes it with a time stamp into the conversion log and passes it to the message callback
// (the console front end prints it). Free-form diagnostics go to the log through LogTrace,
// each line tagged with a trace level that the registry's trace mask selects.
#pragma once

#include <cstdint>
#include <string>

namespace core {

enum MessageType : uint32_t {
  kInformation = 0,
  kWarning = 1,
  kError = 2,
  kBuildOutput = 3,
  kStep = 4,
};

struct MessageRecord {
  uint32_t type = kInformation;
  std::string text;
  uint32_t percent = 0;  // for step announcements: where the step starts (0..100)
};

// Trace levels (bits of the trace mask). Bit 4 of the mask switches on every level.
enum TraceLevel : uint32_t {
  kTraceGeneral = 4,
  kTraceShortcut = 8,
  kTraceFile = 16,
  kTraceComponent = 32,
  kTraceService = 64,
  kTraceCreateFolder = 2048,
  kTraceKnowledgeBase = 0x2000,
};

using MessageCallback = void (*)(const MessageRecord& record);
void SetMessageCallback(MessageCallback callback);

// Writes the record's line into the log and hands the record to the message callback.
void LogMessage(const MessageRecord& record);
// Shorthands: a record of the given type and text.
void LogMessage(uint32_t type, const std::string& text);

// The log line of a record at the given time text ("%I:%M:%S%p"): "time> prefix text", a step
// announcement framed by a rule above and a blank line below.
std::string FormatLogRecordLine(const MessageRecord& record, const std::string& time);

// Writes one line (and "\r\n") into the log when the trace mask selects its level; lines above
// level 4 begin with a tab.
void WriteLogLine(uint32_t level, const std::string& line);

// printf-style trace line at a level, cut at 1024 characters.
void LogTrace(uint32_t level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Opens the log from the registry values "DebugFile" and "DebugRepackager" under
// HKEY_LOCAL_MACHINE\Software\Quillmark and writes the header line. Without them no log is open.
void OpenConversionLog();
void CloseConversionLog();
bool IsConversionLogOpen();
uint32_t TraceMask();

// For tests: the log file and mask without the registry.
void OpenConversionLogAt(const std::string& path, uint32_t traceMask);

}  // namespace core
