// Run control: from the parsed command line to a finished conversion and its exit code.
#pragma once

#include <string>

#include "core/messages.h"

namespace frontend {

enum RunResult : int {
  kRunSucceeded = 0,
  kRunReportedErrors = 1,
  kRunEngineNotFound = 2,
  kRunEngineCorrupt = 3,
  kRunCaptureNotFound = 4,
  kRunOptionsNotFound = 5,
};

// Converts a capture script, or a repackager project file (a path whose first ".wrp" ends it).
int RunConversion(const std::string& input, const std::string& output, bool build);

// The .wrp branch: the capture and the options file come from its section "Files".
int ConvertWrpProject(const std::string& projectFile, const std::string& output, bool build);

// The project file to write: the output argument (or the input when it is empty) with its
// extension replaced by ".vpx".
std::string MakeProjectPath(const std::string& input, const std::string& output);

// kRunEngineNotFound without "QvEntity.DLL" in the current directory; otherwise installs
// ConsoleMessageSink as the message callback and returns kRunSucceeded.
int CheckEngine();

// Prints a record on standard output ("Warning: " and "Error: " prefixes); an error record
// sets the run's error flag.
void ConsoleMessageSink(const core::MessageRecord& record);

// Prints the result's message and returns the process exit code.
int MapResultToExitCode(int result);

}  // namespace frontend
