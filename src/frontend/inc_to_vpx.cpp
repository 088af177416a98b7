#include "frontend/inc_to_vpx.h"

#include <exception>

#include "frontend/cancellation.h"
#include "frontend/messages.h"
#include "frontend/repackager_exception.h"
#include "options/project_options.h"
#include "platform/text.h"

namespace frontend {

void IncToVpx::Run(const std::string& capturePath, const std::string& optionsPath,
                   const std::string& projectPath, bool build) {
  ClearCancel();
  try {
    options::Options().Reset();
    options::SetOptionsPath(optionsPath);
    options::Options().Load(optionsPath);
    // Only the command line decides whether the package is built.
    options::Options().SetBuildMSI(build);

    OpenConversionLog();
    WriteLogLine(kTraceGeneral, platform::Format("Input : %s\r\nOutput: %s\r\n", capturePath.c_str(),
                                                 projectPath.c_str()));
    TearDown();
  } catch (const repackager_exception& e) {
    // Torn down first: the error reaches the console, not the closed log.
    TearDown();
    LogMessage(kError, e.what());
  } catch (...) {
    TearDown();
    LogMessage(kError, "An unknown error occurred");
  }
}

void IncToVpx::TearDown() {
  CloseConversionLog();
  options::Options().Reset();
  options::SetOptionsPath(std::string());
}

}  // namespace frontend
