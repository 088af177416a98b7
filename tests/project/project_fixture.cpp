#include "project_fixture.h"

#include <cstdlib>

#include "content/custom_action_writer.h"
#include "frontend/messages.h"
#include "options/project_options.h"
#include "project/keys.h"
#include "support/engine_presence.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace project_tests {

void ProjectTest::SetUp() {
  SKIP_UNLESS_ENGINE_IS_BUILT();
  folder_ = test_support::MakeTemporaryFolder("fernclip-project");
  ASSERT_FALSE(folder_.empty());
  setenv("FERNCLIP_REGISTRY", (folder_ / "registry.reg").c_str(), 1);
  projectPath_ = (folder_ / "test.vpx").string();
  frontend::OpenConversionLogAt((folder_ / "conversion.log").string(), frontend::kTraceGeneral);
  project::ClearUsedKeys();
  content::ResetSequenceLists();
}

void ProjectTest::TearDown() {
  if (folder_.empty()) return;
  project::SetCurrentProjectWriter(nullptr);
  writer_.reset();
  content::ResetSequenceLists();
  project::ClearUsedKeys();
  frontend::CloseConversionLog();
  options::Options().Reset();
  options::SetOptionsPath("");
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
  unsetenv("FERNCLIP_REGISTRY");
}

void ProjectTest::LoadOptions(const std::map<std::string, std::string>& general) {
  std::string text = "[General]\r\n";
  for (const auto& [key, value] : general) text += key + "=" + value + "\r\n";
  std::string path = (folder_ / "options.ini").string();
  testenv::WriteText(path, text);
  options::SetOptionsPath(path);
  options::Options().Load(path);
}

void ProjectTest::OpenProject() {
  writer_ = std::make_unique<project::VpxWriter>();
  writer_->Open(projectPath_);
  ASSERT_TRUE(writer_->IsOpen());
}

std::vector<std::vector<std::string>> ProjectTest::SavedRows(const std::string& table) {
  EXPECT_TRUE(writer_->Save());
  return test_support::DumpTable(projectPath_, table);
}

std::string ProjectTest::LogText() const {
  return testenv::ReadText((folder_ / "conversion.log").string());
}

}  // namespace project_tests
