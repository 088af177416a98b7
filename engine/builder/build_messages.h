// Where the builder's messages go (the event sink of the caller) and how many there were, and
// whether the caller wants the build to stop.
#pragma once

#include <cstdint>
#include <string>

namespace builder {

class BuildMessages {
 public:
  virtual ~BuildMessages() = default;
  void Info(const std::string& text) { Send(0, text); }
  void Warning(const std::string& text) {
    ++warnings_;
    Send(1, "Warning: " + text);
  }
  void Error(const std::string& text) {
    ++errors_;
    Send(2, "Error: " + text);
  }
  // A record that counts as neither error nor warning of the build (what the validator found).
  void Record(int32_t severity, const std::string& text) { Send(severity, text); }
  int32_t ErrorCount() const { return errors_; }
  int32_t WarningCount() const { return warnings_; }
  // Asked between the steps of the build and for every file it packs or copies.
  virtual bool Cancelled() const { return false; }

 protected:
  virtual void Send(int32_t severity, const std::string& text) = 0;

 private:
  int32_t errors_ = 0, warnings_ = 0;
};

}  // namespace builder
