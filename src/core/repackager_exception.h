// The exception that stops a conversion. It carries the text of the message (usually a
// string-table text); the pipeline catches it once and reports it as an error record.
#pragma once

#include <stdexcept>
#include <string>

namespace core {

class repackager_exception : public std::runtime_error {
 public:
  explicit repackager_exception(const std::string& message) : std::runtime_error(message) {}
  // The text of a string-table id.
  static repackager_exception FromId(int id);
};

// Throws repackager_exception with the text of the string-table id.
[[noreturn]] void ThrowMessage(int id);

}  // namespace core
