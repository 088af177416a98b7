// A project opened from the blank template through the project writer, in a temporary folder,
// with the engine libraries of the build and a conversion log of its own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "project/vpx_writer.h"

namespace project_tests {

class ProjectTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the options file with these keys of section "General" and loads it.
  void LoadOptions(const std::map<std::string, std::string>& general);
  // Opens the project "test.vpx" in the temporary folder.
  void OpenProject();
  // Saves the project and returns the rows of a table (msidump), columns split at tabs.
  std::vector<std::vector<std::string>> SavedRows(const std::string& table);
  // The conversion log written so far.
  std::string LogText() const;

  std::filesystem::path folder_;
  std::string projectPath_;
  std::unique_ptr<project::VpxWriter> writer_;
};

}  // namespace project_tests
