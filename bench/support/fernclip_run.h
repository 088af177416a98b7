// The built fernclip run from a benchmark as a user runs it, and timed.
#pragma once

#include <cstddef>
#include <string>

namespace bench {

// text in single quotes for the shell (the benchmarks' paths hold none).
std::string Quote(const std::string& text);

// The number at argv[index], or fallback when the command line has none.
size_t Argument(int argc, char** argv, int index, size_t fallback);

// Seconds that the built fernclip takes on script with arguments (" /vpxonly ..."), with its
// registry stand-in in workFolder/registry.reg and its output in workFolder/output.txt;
// environment ("NAME=value ", may be empty) goes before the command. A failed run ends the
// benchmark with a message that names the output.
double TimeFernclip(const std::string& workFolder, const std::string& script, const std::string& arguments,
                    const std::string& environment = "");

}  // namespace bench
