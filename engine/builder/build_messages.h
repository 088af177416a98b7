// Where the builder's messages go (the event sink of the caller) and how many there were, and
// whether the caller wants the build to stop.
#pragma once

#include <cstdint>
#include <string>

#include "platform/text.h"

namespace builder {

class BuildMessages {
 public:
  virtual ~BuildMessages() = default;
  void Info(const std::string& text) { Deliver(0, text); }
  void Warning(const std::string& text) {
    ++warnings_;
    Deliver(1, "Warning: " + text);
  }
  void Error(const std::string& text) {
    ++errors_;
    Deliver(2, "Error: " + text);
  }
  // A record that counts as neither error nor warning of the build (what the validator found).
  void Record(int32_t severity, const std::string& text) { Deliver(severity, text); }
  int32_t ErrorCount() const { return errors_; }
  int32_t WarningCount() const { return warnings_; }
  // Asked between the steps of the build and for every file it packs or copies.
  virtual bool Cancelled() const { return false; }

 protected:
  virtual void Send(int32_t severity, const std::string& text) = 0;

 private:
  // Messages echo names and values of the project, which may be anything: a name of megabytes
  // or with control characters is shown cut and escaped, never whole.
  static constexpr size_t kMaxMessageLength = 2000;
  void Deliver(int32_t severity, const std::string& text) { Send(severity, platform::Excerpt(text, kMaxMessageLength)); }

  int32_t errors_ = 0, warnings_ = 0;
};

}  // namespace builder
