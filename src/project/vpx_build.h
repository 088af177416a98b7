// Building the project into a package: the release to build, the builder of SABuild.dll and
// where the package lies afterwards. VpxWriter::Build runs it; the pipeline reads the results
// for its final messages.
#pragma once

#include <cstdint>
#include <string>

namespace project {

// Where a build's output lies. outputFolder ends with a separator; packagePath stays empty when
// the package lies where the release settings put it (a build folder of its own).
struct BuildOutput {
  std::string outputFolder;
  std::string packagePath;
};

// The output rules: the project folder is the project path up to its last separator; the
// output folder is that folder followed by the package name; only with UseBuildPath off and
// BuildCompressed on does the package lie in the project folder itself, as "setup.exe" when
// CreateSetupExe is on and as "<package name>.msi" otherwise.
BuildOutput ComputeBuildOutput(const std::string& projectPath, const std::string& packageName,
                               bool useBuildPath, bool compressed, bool setupExe);

// The results of the last build of this process (empty and zero before the first one).
struct BuildResult {
  std::string packageName;
  std::string outputFolder;
  std::string packagePath;
  int32_t errorCount = 0;
  int32_t warningCount = 0;
};
const BuildResult& LastBuildResult();
void ResetBuildResult();

}  // namespace project
