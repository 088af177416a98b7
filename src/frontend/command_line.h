// The command line: "fernclip <inputfile> <outputfile> [/fakeguids] [/vpxonly] [/notemplate]".
#pragma once

#include <string>

namespace frontend {

struct RunArguments {
  std::string input;   // capture script or repackager project file; empty until given
  std::string output;  // may stay empty
  bool build = true;   // /vpxonly clears it
};

// Accepts one to three arguments after the program name. Switches begin with '-' or '/'
// (compared without regard to case): "vpxonly", "fakeguids" (persisted in the registry for the
// run), "notemplate"; any other switch rejects the line. A non-switch argument is the input at
// position 1, the output at position 2, and ignored at position 3.
bool ParseArguments(int argc, const char* const argv[], RunArguments* arguments);

// The banner and usage, to standard output.
void PrintUsage();

}  // namespace frontend
