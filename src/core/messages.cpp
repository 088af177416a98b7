#include "core/messages.h"

#include "platform/clock.h"
#include "platform/text.h"

namespace core {

namespace {

MessageCallback& Callback() {
  static MessageCallback callback = nullptr;
  return callback;
}

const char* LogPrefix(uint32_t type) {
  switch (type) {
    case kWarning: return "WARNING: ";
    case kBuildOutput: return "BUILD  : ";
    default: return "";
  }
}

}  // namespace

void SetMessageCallback(MessageCallback callback) { Callback() = callback; }

std::string FormatLogRecordLine(const MessageRecord& record, const std::string& time) {
  std::string line = platform::Format("%s> %s%s", time.c_str(), LogPrefix(record.type), record.text.c_str());
  // A step announcement stands under a rule of its own with a blank line after it.
  if (record.type == kStep) line = "\r\n" + std::string(54, '_') + "\r\n" + line + "\r\n";
  return line;
}

void LogMessage(const MessageRecord& record) {
  WriteLogLine(kTraceGeneral, FormatLogRecordLine(record, platform::FormatLocalTimeNow("%I:%M:%S%p")));
  if (Callback()) Callback()(record);
}

void LogMessage(uint32_t type, const std::string& text) {
  MessageRecord record;
  record.type = type;
  record.text = text;
  LogMessage(record);
}

}  // namespace core
