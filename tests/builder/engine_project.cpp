#include "engine_project.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "project/engine_loader.h"
#include "qv/project_tables.h"

namespace buildertest {
namespace {

class RecordingSink final : public qv::IBuildEvents {
 public:
  explicit RecordingSink(std::vector<std::string>* messages) : messages_(messages) {}
  qv::HResult QueryInterface(const qv::Guid& iid, void** out) override {
    if (iid == qv::IID_IUnknown || iid == qv::IID_IBuildEvents) {
      *out = this;
      return qv::kOk;
    }
    *out = nullptr;
    return qv::kNoInterface;
  }
  uint32_t AddRef() override { return 1; }  // lives on the stack of Build
  uint32_t Release() override { return 1; }
  qv::HResult OnMessage(int32_t, const std::string& text) override {
    messages_->push_back(text);
    return qv::kOk;
  }

 private:
  std::vector<std::string>* messages_;
};

}  // namespace

EngineProject::EngineProject(const std::string& vpxPath) : path_(vpxPath) {
  std::filesystem::copy_file(std::string(FERNCLIP_BUILD_DIR) + "/QvProjBlankTpl.vpx", vpxPath,
                             std::filesystem::copy_options::overwrite_existing);
  EXPECT_EQ(project::CreateEngineObject("QvEntity.DLL", qv::CLSID_Project, qv::IID_IProject, project_.PutVoid()), qv::kOk);
  if (!project_) return;
  EXPECT_EQ(project_->Open(vpxPath), qv::kOk);
  EXPECT_EQ(project_->QueryInterface(qv::IID_IDatabase, database_.PutVoid()), qv::kOk);
  EXPECT_EQ(project_->QueryInterface(qv::IID_IProduct, product_.PutVoid()), qv::kOk);
}

EngineProject::~EngineProject() {
  if (project_) project_->Close();
}

void EngineProject::AddRow(const std::string& tableName, const std::vector<qv::Variant>& values) {
  qv::ComPtr<qv::ITableCollection> tables;
  qv::ComPtr<qv::ITable> table;
  ASSERT_EQ(database_->GetTables(tables.Put()), qv::kOk);
  ASSERT_EQ(tables->Find("Name ='" + tableName + "'", table.Put()), qv::kOk) << tableName;
  qv::ComPtr<qv::IRow> row;
  ASSERT_EQ(table->AddRow(row.Put()), qv::kOk);
  qv::ComPtr<qv::IFieldCollection> fields;
  ASSERT_EQ(row->GetFields(fields.Put()), qv::kOk);
  for (size_t i = 0; i < values.size(); ++i) {
    if (values[i].kind == qv::Variant::Kind::Empty) continue;
    qv::ComPtr<qv::IField> field;
    ASSERT_EQ(fields->Item(int32_t(i + 1), field.Put()), qv::kOk);
    ASSERT_EQ(field->SetValue(values[i]), qv::kOk) << tableName << " column " << i + 1;
  }
  ASSERT_EQ(row->Commit(0), qv::kOk) << tableName;
}

void EngineProject::SetProperty(const std::string& name, const std::string& value) {
  ASSERT_EQ(product_->SetProperty(name, value), qv::kOk);
}

void EngineProject::AddComponent(const std::string& key, const std::string& directory, int32_t attributes,
                                 const std::string& keyPath) {
  using V = qv::Variant;
  if (!hasFeature_) {
    AddRow("Feature", {V::Text("Main"), V::Null(), V::Text("Main"), V::Text("Main"), V::Int(2), V::Int(1),
                       V::Text("INSTALLDIR"), V::Int(0)});
    hasFeature_ = true;
  }
  static int counter = 0;
  char guid[64];
  std::snprintf(guid, sizeof guid, "{BBBBBBBB-0000-0000-0000-%012d}", ++counter);
  AddRow("Component", {V::Text(key), V::Text(guid), V::Text(directory), V::Int(attributes), V::Null(),
                       keyPath.empty() ? V::Null() : V::Text(keyPath)});
  AddRow("FeatureComponents", {V::Text("Main"), V::Text(key)});
}

void EngineProject::AddFile(const std::string& key, const std::string& component, const std::string& fileName,
                            const std::string& sourcePath) {
  using V = qv::Variant;
  AddRow("File", {V::Text(key), V::Text(component), V::Text(fileName), V::Int(0), V::Null(), V::Null(), V::Int(0),
                  V::Int(1)});
  AddRow(qv::kFileSourceTable, {V::Text(key), V::Text(sourcePath)});
}

void EngineProject::AddMergeModule(const std::string& name, const std::string& feature, const std::string& path,
                                   const std::string& language, const std::string& version) {
  using V = qv::Variant;
  AddRow(qv::kMergeModuleTable, {V::Text(name), V::Text(feature), V::Text(path), V::Text(language), V::Text(version)});
}

void EngineProject::SetRelease(bool compressed, bool setupExe, bool fixedTimestamps, const std::string& packageName,
                               const std::string& packageCode) {
  qv::ComPtr<qv::IProductConfigCollection> configs;
  qv::ComPtr<qv::IProductConfig> config;
  qv::ComPtr<qv::IReleaseCollection> releases;
  qv::ComPtr<qv::IRelease> release;
  ASSERT_EQ(product_->GetConfigurations(configs.Put()), qv::kOk);
  if (configs->Find("Product1", config.Put()) != qv::kOk) {
    ASSERT_EQ(configs->Add("Product1", config.Put()), qv::kOk);
  }
  ASSERT_EQ(config->GetReleases(releases.Put()), qv::kOk);
  if (releases->Find("Release1", release.Put()) != qv::kOk) {
    ASSERT_EQ(releases->Add("Release1", release.Put()), qv::kOk);
  }
  ASSERT_EQ(release->SetSetting("Compressed", qv::Variant::Int(compressed)), qv::kOk);
  ASSERT_EQ(release->SetSetting("SetupExe", qv::Variant::Int(setupExe)), qv::kOk);
  ASSERT_EQ(release->SetSetting("FixedTimestamps", qv::Variant::Int(fixedTimestamps)), qv::kOk);
  ASSERT_EQ(release->SetSetting("BuildLocation", qv::Variant::Text(qv::kProjectFolderVariable)), qv::kOk);
  ASSERT_EQ(release->SetSetting("PackageName", qv::Variant::Text(packageName)), qv::kOk);
  ASSERT_EQ(release->SetSetting("PackageCode", qv::Variant::Text(packageCode)), qv::kOk);
}

void EngineProject::SetReleaseSetting(const std::string& name, const qv::Variant& value) {
  qv::ComPtr<qv::IProductConfigCollection> configs;
  qv::ComPtr<qv::IProductConfig> config;
  qv::ComPtr<qv::IReleaseCollection> releases;
  qv::ComPtr<qv::IRelease> release;
  ASSERT_EQ(product_->GetConfigurations(configs.Put()), qv::kOk);
  ASSERT_EQ(configs->Find("Product1", config.Put()), qv::kOk);
  ASSERT_EQ(config->GetReleases(releases.Put()), qv::kOk);
  ASSERT_EQ(releases->Find("Release1", release.Put()), qv::kOk);
  ASSERT_EQ(release->SetSetting(name, value), qv::kOk);
}

void EngineProject::Save() { ASSERT_EQ(project_->SaveAs(path_), qv::kOk); }

BuildOutcome EngineProject::Build() {
  BuildOutcome outcome;
  qv::ComPtr<qv::IBuilder> builder;
  outcome.result = project::CreateEngineObject("SABuild.dll", qv::CLSID_Builder, qv::IID_IBuilder, builder.PutVoid());
  if (qv::Failed(outcome.result)) return outcome;
  RecordingSink sink(&outcome.messages);
  builder->Advise(&sink);
  builder->SetProject(project_.Get(), "Product1", "Release1");
  builder->SetOption(1, 1);
  outcome.result = builder->Build();
  builder->GetErrorCount(&outcome.errors);
  builder->GetWarningCount(&outcome.warnings);
  builder->GetPackagePath(&outcome.packagePath);
  builder->Unadvise();
  return outcome;
}

}  // namespace buildertest
