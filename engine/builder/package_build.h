// One build of a release: from the saved project to the package (and its cabinets, source
// image or setup.exe) in the release's output folder. The package is written under a
// temporary name and renamed at the end, so a failed build leaves no package behind.
#pragma once

#include <string>

#include "build_messages.h"
#include "cabinet_writer.h"
#include "qv/entity.h"

namespace builder {

struct BuildRequest {
  std::string projectPath;  // the saved project; its release settings are read from the file too
  std::string configuration;
  std::string release;
  std::string engineFolder;  // where setup-launcher.exe lies (beside SABuild.dll)
  CabinetLimits cabinetLimits;  // how many files and bytes one cabinet takes
  unsigned threads = 0;         // threads that compress; 0: FERNCLIP_BUILD_THREADS, else one per processor
};

// True when the package was written; *packagePath names it.
bool RunBuild(const BuildRequest& request, BuildMessages& messages, std::string* packagePath);

}  // namespace builder
