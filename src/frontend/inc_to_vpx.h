// The conversion driver: runs one conversion of a capture script into a project.
#pragma once

#include <string>

namespace frontend {

class IncToVpx {
 public:
  // Loads the options, builds the progress plan, opens the conversion log, creates the project
  // from its template, runs the conversion steps in their order, and saves or builds the
  // project. No result: the outcome is told by the error records the run reported. Every fatal
  // problem ends here, reported as one error record after everything the run made is torn down
  // (so the log is already closed).
  void Run(const std::string& capturePath, const std::string& optionsPath,
           const std::string& projectPath, bool build);
};

}  // namespace frontend
