// Runs the built fernclip on a capture in a folder of its own and reads back what it wrote.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/msi_dump.h"

namespace pipeline_tests {

using namespace test_support;

struct ProgramRun {
  int exitCode = -1;
  std::string output;               // standard output and standard error
  std::vector<std::string> lines;   // output split into lines, without line ends
};

// A temporary folder holding the capture "app.inc" (one ScriptVersion line) and its options
// file, with a registry stand-in of its own. Removed with everything in it at destruction.
class CaptureFolder {
 public:
  CaptureFolder();
  ~CaptureFolder();

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  std::string CapturePath() const { return File("app.inc"); }
  std::string ProjectPath() const { return File("app.vpx"); }

  // Replaces the capture script.
  void WriteCapture(const std::string& text) { WriteWholeFile(CapturePath(), text); }
  // Writes the options file: section "General" with these keys, then the extra text.
  void WriteOptions(const std::map<std::string, std::string>& general, const std::string& extra = "");

  // Runs fernclip with the arguments, with FERNCLIP_REGISTRY pointing at this folder's file.
  ProgramRun Run(const std::vector<std::string>& arguments) const;

  // The names of the files in the folder, but for the registry stand-in.
  std::vector<std::string> Files() const;

 private:
  std::string path_;
};


}  // namespace pipeline_tests
