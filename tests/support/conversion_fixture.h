// The process-wide state of one conversion, set up for a test and torn down after it: a
// registry stand-in, options file, conversion log (every trace level) and message collection of
// the test's own, a current capture script read from text, and a project opened from the blank
// template as the current project, read back with msidump.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_script.h"
#include "core/messages.h"
#include "project/vpx_writer.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace test_support {

class ConversionTest : public ::testing::Test {
 public:
  // The records reported since the test began.
  static std::vector<core::MessageRecord>& Messages();

 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the options file (section "General" with these keys, path variables off unless
  // given, then the extra text) and loads it.
  void LoadOptions(const std::map<std::string, std::string>& general, const std::string& extra = "");
  // The capture script "app.inc" in the test folder, read from this text and made current.
  capture::CaptureScript& UseScript(const std::string& text);
  // Opens "test.vpx" from the blank template as the current project, with its first feature.
  void OpenProject();
  // Saves the project and returns a table's rows.
  Rows SavedRows(const std::string& table);

  // The texts of the records of one type.
  std::vector<std::string> Texts(uint32_t type) const;
  std::vector<std::string> WarningTexts() const { return Texts(core::kWarning); }
  std::string LogText() const;
  std::string InFolder(const std::string& name) const { return dir_ / name; }

  testenv::RegistrySandbox registry_;
  testenv::TempDir dir_;
  std::unique_ptr<capture::CaptureScript> script_;
  std::unique_ptr<project::VpxWriter> writer_;
};

}  // namespace test_support
