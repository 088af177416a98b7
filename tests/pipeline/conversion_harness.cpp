#include "conversion_harness.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pipeline_tests {

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CaptureFolder::CaptureFolder() {
  std::string pattern = (fs::temp_directory_path() / "fernclip-pipeline-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  path_ = made ? made : "";
  fs::copy_file(std::string(FERNCLIP_TEST_DATA_DIR) + "/pipeline/app.inc", CapturePath());
  WriteOptions({});
}

CaptureFolder::~CaptureFolder() {
  std::error_code ignored;
  if (!path_.empty()) fs::remove_all(path_, ignored);
}

void CaptureFolder::WriteOptions(const std::map<std::string, std::string>& general,
                                 const std::string& extra) {
  std::string text = "[General]\r\n";
  for (const auto& [key, value] : general) text += key + "=" + value + "\r\n";
  WriteWholeFile(File("options.ini"), text + extra);
}

ProgramRun CaptureFolder::Run(const std::vector<std::string>& arguments) const {
  std::string command = "FERNCLIP_REGISTRY=" + Quote(File("registry.reg")) + " " +
                        Quote(std::string(FERNCLIP_BUILD_DIR) + "/fernclip");
  for (const std::string& argument : arguments) command += " " + Quote(argument);
  ProgramRun run;
  run.exitCode = RunCommand(command, &run.output);
  run.lines = SplitLines(run.output);
  return run;
}

std::vector<std::string> CaptureFolder::Files() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) {
    std::string name = entry.path().filename().string();
    if (name != "registry.reg") names.push_back(name);
  }
  return names;
}

std::vector<std::vector<std::string>> DumpTable(const std::string& database, const std::string& table) {
  std::string folder = (fs::temp_directory_path() / "fernclip-dump-XXXXXX").string();
  if (!mkdtemp(folder.data())) return {};
  std::vector<std::vector<std::string>> rows;
  if (RunCommand("msidump -d " + Quote(folder) + " " + Quote(database) + " " + Quote(table)) == 0) {
    std::vector<std::string> lines = SplitLines(ReadWholeFile(folder + "/" + table + ".idt"));
    // Three header lines: column names, column types, table name and keys.
    for (size_t i = 3; i < lines.size(); ++i) {
      std::vector<std::string> columns;
      std::string column;
      std::istringstream in(lines[i]);
      while (std::getline(in, column, '\t')) columns.push_back(column);
      if (!lines[i].empty() && lines[i].back() == '\t') columns.emplace_back();
      rows.push_back(columns);
    }
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return rows;
}

std::map<std::string, std::string> DumpProperties(const std::string& database) {
  std::map<std::string, std::string> properties;
  for (const auto& row : DumpTable(database, "Property"))
    if (row.size() >= 2) properties[row[0]] = row[1];
  return properties;
}

std::vector<std::string> ListTables(const std::string& database) {
  std::string output;
  if (RunCommand("msiinfo tables " + Quote(database), &output) != 0) return {};
  return SplitLines(output);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteWholeFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  return static_cast<bool>(out);
}

}  // namespace pipeline_tests
