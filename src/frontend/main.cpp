// fernclip: converts a repackager capture into an installer project and package.
#include <cstdio>
#include <exception>
#include <string>

#include "core/cancellation.h"
#include "frontend/command_line.h"
#include "frontend/guid_mode.h"
#include "frontend/registry_report.h"
#include "frontend/run_control.h"
#include "frontend/run_flags.h"
#include "platform/codepage.h"
#include "platform/host_paths.h"
#include "platform/interrupt.h"
#include "platform/memory.h"
#include "platform/registry.h"
#include "platform/temporaries.h"

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
    std::printf("Error: %s\n", platform::ToConsole(e.what()).c_str());
    result = frontend::kRunReportedErrors;
  } catch (...) {
    std::printf("Error: An unknown error occurred\n");
    result = frontend::kRunReportedErrors;
  }
  platform::SetCurrentDirectory(previousDirectory);
  return result == frontend::kRunSucceeded ? 0 : frontend::MapResultToExitCode(result);
}

// A second interrupt: what the run would have cleaned up, done now, before the program ends.
void CleanUpAtOnce() {
  frontend::CleanUpGuidMode();
  for (const std::string& folder : core::TemporaryFolders())
    platform::RemoveTemporaries(folder, platform::TemporaryOwner::kThisProcess);
}

}  // namespace

int main(int argc, char* argv[]) {
  platform::KeepLargeBlocksOutOfTheHeap();
  // Ctrl+C, a hang-up or a termination request cancels the conversion at its next check, so the
  // run still cleans up after itself; a second one cleans up and ends the program at once.
  platform::SetInterruptHandlers(&core::InterruptRun, &CleanUpAtOnce);
  // A relative FERNCLIP_REGISTRY names a file in the folder the program was started from.
  core::NoteTemporaryFolder(platform::FullPath(platform::RegistryFilePath() + "/.."));

  frontend::ReadPersistedGuidMode();
  frontend::ReportRegistryFileProblems();
  frontend::RunArguments arguments;
  int exitCode = 1;
  if (frontend::ParseArguments(argc, argv, &arguments))
    exitCode = RunFromProgramFolder(arguments);
  else
    frontend::PrintUsage();

  frontend::CleanUpGuidMode();
  return exitCode;
}
