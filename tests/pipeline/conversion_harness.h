// Runs the built fernclip on a capture in a folder of its own and reads back what it wrote.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace pipeline_tests {

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

  // Writes the options file: section "General" with these keys, then the extra text.
  void WriteOptions(const std::map<std::string, std::string>& general, const std::string& extra = "");

  // Runs fernclip with the arguments, with FERNCLIP_REGISTRY pointing at this folder's file.
  ProgramRun Run(const std::vector<std::string>& arguments) const;

  // The names of the files in the folder, but for the registry stand-in.
  std::vector<std::string> Files() const;

 private:
  std::string path_;
};

// The rows of a table of an MSI-format database as msidump writes them (columns split at tabs);
// empty when the table is missing.
std::vector<std::vector<std::string>> DumpTable(const std::string& database, const std::string& table);
// The Property table as a map.
std::map<std::string, std::string> DumpProperties(const std::string& database);
// The table names that msiinfo lists.
std::vector<std::string> ListTables(const std::string& database);

std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& contents);
// Runs a shell command; its exit code, with its output in *output when given.
int RunCommand(const std::string& command, std::string* output = nullptr);

}  // namespace pipeline_tests
