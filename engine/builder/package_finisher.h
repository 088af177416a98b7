// The last step of a build, on the package file that the engine saved: the engine's own project
// tables leave it, the cabinets go into its _Streams table and the summary information is
// written; one commit.
#pragma once

#include <string>
#include <vector>

#include "summary_information.h"

namespace builder {

struct EmbeddedStream {
  std::string name;      // the stream name; a Media row refers to it as "#<name>"
  std::string hostPath;  // the file whose bytes the stream takes
};

// False with a message when the package cannot be opened or changed; the file may then be
// incomplete, and the caller removes it.
bool FinishPackage(const std::string& packagePath, const std::vector<std::string>& tablesToDrop,
                   const std::vector<EmbeddedStream>& streams, const PackageSummary& summary,
                   std::string* error);

}  // namespace builder
