// The conversion driver: runs one conversion of a capture script into a project.
#pragma once

#include <string>

namespace frontend {

class IncToVpx {
 public:
  // No result: the outcome is told by the error records the run reported. Every fatal problem
  // ends here, reported as one error record after everything the run made is torn down.
  void Run(const std::string& capturePath, const std::string& optionsPath,
           const std::string& projectPath, bool build);

 private:
  void TearDown();
};

}  // namespace frontend
