#include "frontend/registry_report.h"

#include <cstdio>

#include "platform/codepage.h"
#include "platform/registry.h"

namespace frontend {

void ReportRegistryFileProblems() {
  const std::string file = platform::ToConsole(platform::RegistryFilePath());
  for (const platform::RegistryFileProblem& problem : platform::RegistryFileProblems()) {
    if (problem.line == 0)
      std::printf("Warning: The registry file %s cannot be read; its settings are ignored.\n", file.c_str());
    else
      std::printf("Warning: The registry file %s, line %zu, is not a REGEDIT4 line; it is ignored.\n", file.c_str(),
                  problem.line);
  }
  std::fflush(stdout);
}

}  // namespace frontend
