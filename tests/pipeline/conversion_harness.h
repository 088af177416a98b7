// A capture in a folder of its own for the built fernclip: the script "app.inc" (one
// ScriptVersion line unless replaced), its options file and a registry stand-in.
#pragma once

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/captures.h"
#include "support/msi_dump.h"
#include "support/test_env.h"

namespace pipeline_tests {

using namespace test_support;

class CaptureFolder {
 public:
  CaptureFolder() {
    std::filesystem::copy_file(std::string(FERNCLIP_TEST_DATA_DIR) + "/pipeline/app.inc", CapturePath());
    WriteOptions({});
  }

  const std::string& Path() const { return dir_.path(); }
  std::string File(const std::string& name) const { return dir_ / name; }
  std::string CapturePath() const { return File("app.inc"); }
  std::string ProjectPath() const { return File("app.vpx"); }

  void WriteCapture(const std::string& text) const { testenv::WriteText(CapturePath(), text); }
  // Section "General" with these keys, then the extra text.
  void WriteOptions(const std::map<std::string, std::string>& general, const std::string& extra = "") const {
    testenv::WriteText(File("options.ini"), testenv::OptionsText(general, extra));
  }
  FernclipRun Run(const std::vector<std::string>& arguments) const {
    return RunFernclip(arguments, File("registry.reg"));
  }
  // The names of the files in the folder, sorted, but for the registry stand-in.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Path()))
      if (entry.path().filename() != "registry.reg") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  testenv::TempDir dir_;
};

}  // namespace pipeline_tests
