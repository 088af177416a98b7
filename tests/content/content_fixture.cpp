#include "content_fixture.h"

#include <filesystem>

#include "capture/knowledge_base.h"
#include "capture/path_translation.h"
#include "content/content_session.h"
#include "options/project_options.h"
#include "project/keys.h"
#include "support/engine_presence.h"
#include "support/msi_dump.h"

namespace contenttest {

namespace {

std::vector<frontend::MessageRecord>& Messages() {
  static std::vector<frontend::MessageRecord> messages;
  return messages;
}

void CollectMessage(const frontend::MessageRecord& record) { Messages().push_back(record); }

// Every trace level.
constexpr uint32_t kAllTraceLevels = 4;

}  // namespace

void ContentTest::SetUp() {
  Messages().clear();
  frontend::SetMessageCallback(&CollectMessage);
  frontend::OpenConversionLogAt(dir_ / "conversion.log", kAllTraceLevels);
  project::ClearUsedKeys();
  content::ResetContent();
  LoadOptions({});
}

void ContentTest::TearDown() {
  capture::ClearKnowledgeBase();
  content::ResetContent();
  project::SetCurrentProjectWriter(nullptr);
  writer_.reset();
  capture::SetCurrentCaptureScript(nullptr);
  script_.reset();
  capture::SetInstallDirPath("");
  project::ClearUsedKeys();
  frontend::CloseConversionLog();
  frontend::SetMessageCallback(nullptr);
  options::Options().Reset();
  options::SetOptionsPath("");
}

void ContentTest::LoadOptions(const std::map<std::string, std::string>& general, const std::string& extra) {
  std::map<std::string, std::string> keys = {{"EnablePathVariables", "N"}};
  for (const auto& [key, value] : general) keys[key] = value;
  std::string text = "[General]\r\n";
  for (const auto& [key, value] : keys) text += key + "=" + value + "\r\n";
  const std::string path = dir_ / "Options.ini";
  testenv::WriteText(path, text + extra);
  options::SetOptionsPath(path);
  options::Options().Load(path);
}

capture::CaptureScript& ContentTest::UseScript(const std::string& lines) {
  testenv::WriteText(dir_ / "app.inc", lines);
  script_ = std::make_unique<capture::CaptureScript>(dir_ / "app.inc");
  capture::SetCurrentCaptureScript(script_.get());
  script_->ReadScript();
  return *script_;
}

void ContentTest::OpenProject() {
  writer_ = std::make_unique<project::VpxWriter>();
  writer_->Open(dir_ / "test.vpx");
  ASSERT_TRUE(writer_->IsOpen());
  project::SetCurrentProjectWriter(writer_.get());
  writer_->GetFeatureForNewComponent();
}

Rows ContentTest::SavedRows(const std::string& table) {
  EXPECT_TRUE(writer_->Save());
  return test_support::DumpTable(dir_ / "test.vpx", table);
}

std::vector<std::string> ContentTest::RowWithKey(const Rows& rows, const std::string& key) {
  for (const auto& row : rows)
    if (!row.empty() && row[0] == key) return row;
  return {};
}

std::vector<std::string> ContentTest::WarningTexts() const {
  std::vector<std::string> texts;
  for (const auto& record : Messages())
    if (record.type == frontend::kWarning) texts.push_back(record.text);
  return texts;
}

std::string ContentTest::LogText() const { return testenv::ReadText(dir_ / "conversion.log"); }

std::string VersionedPeFixture() {
  const std::string path = std::string(FERNCLIP_BUILD_DIR) + "/tests/fixtures/pe/versioned.exe";
  return std::filesystem::exists(path) ? path : std::string();
}

}  // namespace contenttest
