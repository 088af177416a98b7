#include "frontend/command_line.h"

#include <cstdio>

#include "frontend/guid_mode.h"
#include "frontend/run_flags.h"
#include "platform/command_line.h"
#include "platform/text.h"

namespace frontend {

bool ParseArguments(int argc, const char* const argv[], RunArguments* arguments) {
  if (argc < 2 || argc > 4) return false;
  for (int position = 1; position < argc; ++position) {
    const std::string argument = argv[position] ? argv[position] : "";
    if (platform::IsSwitchArgument(argument)) {
      const std::string name = argument.substr(1);
      if (platform::EqualsNoCase(name, "vpxonly")) {
        arguments->build = false;
      } else if (platform::EqualsNoCase(name, "fakeguids")) {
        PersistFakeGuidMode();
      } else if (platform::EqualsNoCase(name, "notemplate")) {
        Flags().suppressTemplate = true;
      } else {
        return false;
      }
    } else if (position == 1) {
      arguments->input = argument;
    } else if (position == 2) {
      arguments->output = argument;
    }
  }
  return true;
}

void PrintUsage() {
  std::fputs(
      "Fernclip - Quillmark Repackager Conversion Utility\n"
      "Usage: fernclip <inputfile> <outputfile> [/fakeguids] [/vpxonly] [/notemplate]\n\n"
      "Now accepts .wrp filenames as well as raw .inc filenames.\n\n"
      "Requires the Lanthorn Standalone Build to be in the current directory.\n\n"
      "If /fakeguids is specified, then all guids in the .msi package\n"
      "are generated so that they are always the same for every package.\n"
      "(WARNING: the resulting .msi is NOT a valid, installable package).\n\n"
      "If /vpxonly is specified, then an .vpx is created\n"
      "but not built into an .msi package.\n\n"
      "If /notemplate is specified, then any ProjectTemplate value in the Options.ini\n"
      "file is ignored and the default template (QvProjBlankTpl.vpx) is used instead.\n\n",
      stdout);
  std::fflush(stdout);
}

}  // namespace frontend
