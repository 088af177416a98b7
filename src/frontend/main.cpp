// fernclip: converts a repackager capture into an installer project and package.
#include <cstdio>
#include <exception>

#include "frontend/cancellation.h"
#include "frontend/command_line.h"
#include "frontend/guid_mode.h"
#include "frontend/run_control.h"
#include "frontend/run_flags.h"
#include "platform/host_paths.h"
#include "platform/interrupt.h"

namespace {

// Runs the conversion from the program's own folder: relative paths on the command line and
// the engine library are taken from there.
int RunFromProgramFolder(const frontend::RunArguments& arguments) {
  const std::string previousDirectory = platform::CurrentDirectory();
  platform::SetCurrentDirectory(platform::ProgramFolder());

  std::fputs(frontend::Flags().fakeGuidMode ? "(Will create fake GUIDs.)\n" : "(Will create real GUIDs).\n", stdout);
  std::fflush(stdout);

  int result = frontend::kRunSucceeded;
  try {
    result = frontend::RunConversion(arguments.input, arguments.output, arguments.build);
  } catch (const std::exception& e) {
    std::printf("Error: %s\n", e.what());
    result = frontend::kRunReportedErrors;
  } catch (...) {
    std::printf("Error: An unknown error occurred\n");
    result = frontend::kRunReportedErrors;
  }
  platform::SetCurrentDirectory(previousDirectory);
  return result == frontend::kRunSucceeded ? 0 : frontend::MapResultToExitCode(result);
}

}  // namespace

int main(int argc, char* argv[]) {
  // Ctrl+C cancels the conversion at its next check, so the run still cleans up after itself.
  platform::SetInterruptHandler(&frontend::RequestCancel);

  frontend::ReadPersistedGuidMode();
  frontend::RunArguments arguments;
  int exitCode = 1;
  if (frontend::ParseArguments(argc, argv, &arguments))
    exitCode = RunFromProgramFolder(arguments);
  else
    frontend::PrintUsage();

  frontend::CleanUpGuidMode();
  return exitCode;
}
