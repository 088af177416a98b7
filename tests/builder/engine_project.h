// A project made through the engine for the builder's tests: copied from the blank template,
// filled row by row through the engine's table interfaces, saved and built with SABuild.dll.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "qv/builder.h"
#include "qv/entity.h"

namespace buildertest {

struct BuildOutcome {
  qv::HResult result = qv::kOk;
  int32_t errors = 0;
  int32_t warnings = 0;
  std::string packagePath;
  std::vector<std::string> messages;  // as the event sink received them
};

class EngineProject {
 public:
  // Copies the blank template to vpxPath and opens it; fails the current test when it cannot.
  explicit EngineProject(const std::string& vpxPath);
  ~EngineProject();

  qv::IProject* Project() const { return project_.Get(); }
  qv::IDatabase* Database() const { return database_.Get(); }
  qv::IProduct* Product() const { return product_.Get(); }

  // Adds a row to a table (values from column 1); fails the test when the engine refuses it.
  void AddRow(const std::string& table, const std::vector<qv::Variant>& values);
  void SetProperty(const std::string& name, const std::string& value);
  // A component in a directory, in feature "Main" (made on first use).
  void AddComponent(const std::string& key, const std::string& directory, int32_t attributes = 0,
                    const std::string& keyPath = "");
  // A File row and the file's source path.
  void AddFile(const std::string& key, const std::string& component, const std::string& fileName,
               const std::string& sourcePath);
  // A merge module to merge into the package, its components joining feature.
  void AddMergeModule(const std::string& name, const std::string& feature, const std::string& path,
                      const std::string& language, const std::string& version);
  // The release to build ("Product1"/"Release1" unless given).
  void SetRelease(bool compressed, bool setupExe, bool fixedTimestamps, const std::string& packageName,
                  const std::string& packageCode);
  // One more setting of that release (after SetRelease).
  void SetReleaseSetting(const std::string& name, const qv::Variant& value);
  void Save();
  BuildOutcome Build();

 private:
  qv::ComPtr<qv::IProject> project_;
  qv::ComPtr<qv::IDatabase> database_;
  qv::ComPtr<qv::IProduct> product_;
  std::string path_;
  bool hasFeature_ = false;
};

}  // namespace buildertest
