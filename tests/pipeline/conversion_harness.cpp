#include "conversion_harness.h"

#include <filesystem>

namespace pipeline_tests {

namespace fs = std::filesystem;

CaptureFolder::CaptureFolder() {
  path_ = MakeTemporaryFolder("fernclip-pipeline");
  fs::copy_file(std::string(FERNCLIP_TEST_DATA_DIR) + "/pipeline/app.inc", CapturePath());
  WriteOptions({});
}

CaptureFolder::~CaptureFolder() {
  std::error_code ignored;
  if (!path_.empty()) fs::remove_all(path_, ignored);
}

void CaptureFolder::WriteOptions(const std::map<std::string, std::string>& general,
                                 const std::string& extra) {
  std::string text = "[General]\r\n";
  for (const auto& [key, value] : general) text += key + "=" + value + "\r\n";
  WriteWholeFile(File("options.ini"), text + extra);
}

ProgramRun CaptureFolder::Run(const std::vector<std::string>& arguments) const {
  std::string command = "FERNCLIP_REGISTRY=" + ShellQuote(File("registry.reg")) + " " +
                        ShellQuote(std::string(FERNCLIP_BUILD_DIR) + "/fernclip");
  for (const std::string& argument : arguments) command += " " + ShellQuote(argument);
  ProgramRun run;
  run.exitCode = RunCommand(command, &run.output);
  run.lines = SplitLines(run.output);
  return run;
}

std::vector<std::string> CaptureFolder::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) {
    std::string name = entry.path().filename().string();
    if (name != "registry.reg") names.push_back(name);
  }
  return names;
}

}  // namespace pipeline_tests
