// A small project with the kinds of content a package build handles: a versioned program, text
// and binary files in two folders (one spelled in another letter case on disk), a registry value,
// an application path and a custom action that needs the DLL wrapper.
#pragma once

#include <map>
#include <string>

#include "engine_project.h"

namespace buildertest {

struct SampleProject {
  std::string captureFolder;
  // File key -> (long file name, bytes).
  std::map<std::string, std::pair<std::string, std::string>> files;
  std::string programKey = "app.exe";
};

// Writes the capture files below captureFolder and fills the project's rows.
SampleProject FillSampleProject(EngineProject& project, const std::string& captureFolder);

}  // namespace buildertest
