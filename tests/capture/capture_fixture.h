// Shared set-up of the capture tests: a registry stand-in and an options file of the test's
// own, the messages the conversion reports, and a current capture script of a given version.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_script.h"
#include "capture/path_translation.h"
#include "frontend/messages.h"
#include "options/project_options.h"
#include "support/test_env.h"

namespace capturetest {

inline std::vector<frontend::MessageRecord>& Messages() {
  static std::vector<frontend::MessageRecord> messages;
  return messages;
}

inline void CollectMessage(const frontend::MessageRecord& record) { Messages().push_back(record); }

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Messages().clear();
    frontend::SetMessageCallback(&CollectMessage);
    // Path variables off unless a test asks: source paths then start at the script folder.
    LoadOptions({{"EnablePathVariables", "N"}});
  }
  void TearDown() override {
    capture::SetCurrentCaptureScript(nullptr);
    capture::SetInstallDirPath("");
    frontend::SetMessageCallback(nullptr);
    options::Options().Reset();
  }

  // Writes section "General" of an options file with the given keys and loads it.
  void LoadOptions(const std::map<std::string, std::string>& general) {
    std::string text = "[General]\r\n";
    for (const auto& [key, value] : general) text += key + "=" + value + "\r\n";
    const std::string path = dir_ / "Options.ini";
    testenv::WriteText(path, text);
    options::Options().Load(path);
  }

  // A current capture script in the test folder, of the given version.
  capture::CaptureScript& UseScript(const std::string& version = "4.0",
                                    const std::string& extraLines = "") {
    script_ = std::make_unique<capture::CaptureScript>(dir_ / "app.inc");
    testenv::WriteText(dir_ / "app.inc", "ScriptVersion('" + version + "')\r\n" + extraLines);
    capture::SetCurrentCaptureScript(script_.get());
    script_->ReadScript();
    return *script_;
  }

  std::vector<std::string> WarningTexts() const {
    std::vector<std::string> texts;
    for (const auto& record : Messages())
      if (record.type == frontend::kWarning) texts.push_back(record.text);
    return texts;
  }

  testenv::RegistrySandbox registry_;
  testenv::TempDir dir_;
  std::unique_ptr<capture::CaptureScript> script_;
};

}  // namespace capturetest
