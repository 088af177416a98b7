// The output paths of a build and the process-wide results of the last build.
#include "platform/host_paths.h"
#include "project/build_result_store.h"
#include "project/vpx_build.h"

namespace project {

BuildOutput ComputeBuildOutput(const std::string& projectPath, const std::string& packageName,
                               bool useBuildPath, bool compressed, bool setupExe) {
  BuildOutput output;
  const size_t cut = platform::LastSeparator(projectPath);
  const char separator = cut == std::string::npos ? '\\' : projectPath[cut];
  std::string projectFolder = cut == std::string::npos ? projectPath : projectPath.substr(0, cut + 1);
  if (projectFolder.empty() || !platform::IsSeparator(projectFolder.back())) projectFolder += separator;
  output.outputFolder = projectFolder + packageName + separator;
  if (!output.outputFolder.empty() && !useBuildPath && compressed) {
    output.outputFolder = projectFolder;
    output.packagePath = setupExe ? output.outputFolder + "setup.exe" : output.outputFolder + packageName + ".msi";
  }
  return output;
}

BuildResult& MutableBuildResult() {
  static BuildResult result;
  return result;
}

const BuildResult& LastBuildResult() { return MutableBuildResult(); }
void ResetBuildResult() { MutableBuildResult() = BuildResult{}; }

}  // namespace project
