// Shared set-up of the content tests: a registry stand-in, options file and conversion log of
// the test's own, a current capture script read from text, and a project opened from the blank
// template through the project writer, read back with msidump.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture_script.h"
#include "frontend/messages.h"
#include "project/vpx_writer.h"
#include "support/test_env.h"

namespace contenttest {

using Rows = std::vector<std::vector<std::string>>;

class ContentTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the options file: section "General" with these keys (path variables off unless
  // given), then the extra text, and loads it.
  void LoadOptions(const std::map<std::string, std::string>& general, const std::string& extra = "");
  // The capture script "app.inc" in the test folder, read from these lines and made current.
  capture::CaptureScript& UseScript(const std::string& lines);
  // Opens "test.vpx" from the blank template and makes it the current project.
  void OpenProject();
  // Saves the project and returns a table's rows.
  Rows SavedRows(const std::string& table);
  // The first row whose first column is key (empty when none).
  static std::vector<std::string> RowWithKey(const Rows& rows, const std::string& key);
  std::vector<std::string> WarningTexts() const;
  std::string LogText() const;
  // Path of a file in the test folder.
  std::string InFolder(const std::string& name) const { return dir_ / name; }

  testenv::RegistrySandbox registry_;
  testenv::TempDir dir_;
  std::unique_ptr<capture::CaptureScript> script_;
  std::unique_ptr<project::VpxWriter> writer_;
};

// A PE file with a version resource, built with the tests (empty when not built).
std::string VersionedPeFixture();

}  // namespace contenttest
