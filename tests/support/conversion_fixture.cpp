#include "support/conversion_fixture.h"

#include "capture/knowledge_base.h"
#include "capture/path_translation.h"
#include "content/content_session.h"
#include "options/project_options.h"
#include "project/component_lookup.h"
#include "project/keys.h"

namespace test_support {

namespace {
void CollectMessage(const core::MessageRecord& record) { ConversionTest::Messages().push_back(record); }
}  // namespace

std::vector<core::MessageRecord>& ConversionTest::Messages() {
  static std::vector<core::MessageRecord> messages;
  return messages;
}

void ConversionTest::SetUp() {
  Messages().clear();
  core::SetMessageCallback(&CollectMessage);
  core::OpenConversionLogAt(dir_ / "conversion.log", core::kTraceGeneral);
  project::ClearUsedKeys();
  content::ResetContent();
  project::SetComponentSource(&content::SessionComponents());
  LoadOptions({});
}

void ConversionTest::TearDown() {
  capture::ClearKnowledgeBase();
  content::ResetContent();
  project::SetCurrentProjectWriter(nullptr);
  writer_.reset();
  capture::SetCurrentCaptureScript(nullptr);
  script_.reset();
  capture::SetInstallDirPath("");
  project::ClearUsedKeys();
  core::CloseConversionLog();
  core::SetMessageCallback(nullptr);
  options::Options().Reset();
  options::SetOptionsPath("");
}

void ConversionTest::LoadOptions(const std::map<std::string, std::string>& general, const std::string& extra) {
  std::map<std::string, std::string> keys = {{"EnablePathVariables", "N"}};
  for (const auto& [key, value] : general) keys[key] = value;
  const std::string path = dir_ / "Options.ini";
  testenv::WriteText(path, testenv::OptionsText(keys, extra));
  options::SetOptionsPath(path);
  options::Options().Load(path);
}

capture::CaptureScript& ConversionTest::UseScript(const std::string& text) {
  testenv::WriteText(dir_ / "app.inc", text);
  script_ = std::make_unique<capture::CaptureScript>(dir_ / "app.inc");
  capture::SetCurrentCaptureScript(script_.get());
  script_->ReadScript();
  return *script_;
}

void ConversionTest::OpenProject() {
  writer_ = std::make_unique<project::VpxWriter>();
  writer_->Open(dir_ / "test.vpx");
  ASSERT_TRUE(writer_->IsOpen());
  project::SetCurrentProjectWriter(writer_.get());
  writer_->GetFeatureForNewComponent();
}

Rows ConversionTest::SavedRows(const std::string& table) {
  EXPECT_TRUE(writer_->Save());
  return DumpTable(dir_ / "test.vpx", table);
}

std::vector<std::string> ConversionTest::Texts(uint32_t type) const {
  std::vector<std::string> texts;
  for (const auto& record : Messages())
    if (record.type == type) texts.push_back(record.text);
  return texts;
}

std::string ConversionTest::LogText() const { return testenv::ReadText(dir_ / "conversion.log"); }

}  // namespace test_support
